#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "gui/AboutDlg.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/SingleInstance.h"
#include "platform/ui/QtMessageSink.h"

namespace qv::test {
namespace {

class AboutTest : public GuiTest {};

TEST_F(AboutTest, aboutBoxShowsItsTextsOnWhite) {
  CAboutDlg dlg(Frame());
  EXPECT_EQ(dlg.windowTitle().toStdString(), "About Quorvex");
  EXPECT_EQ(dlg.findChild<QLabel*>("product")->text().toStdString(), "Exif Converter for KX-M410");
  EXPECT_EQ(dlg.findChild<QLabel*>("version")->text().toStdString(), "Version 1.0.1");
  EXPECT_EQ(dlg.OkButton()->text().toStdString(), "OK");
  EXPECT_TRUE(dlg.OkButton()->isDefault());
  EXPECT_FALSE(dlg.findChild<QLabel*>("picture")->pixmap().isNull());
  EXPECT_FALSE(dlg.Link()->isEnabled());
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  EXPECT_FALSE(dlg.Link()->isVisible());
  const QImage shot = dlg.grab().toImage();
  EXPECT_EQ(shot.pixelColor(2, shot.height() - 3), QColor(Qt::white));
  Screenshot(&dlg, "about-box");
}

TEST_F(AboutTest, theAboutCommandRunsTheBoxModally) {
  bool seen = false;
  QTimer::singleShot(50, [&] {
    if (auto* dlg = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
      seen = true;
      dlg->OkButton()->click();
    }
  });
  Trigger(ID_APP_ABOUT);
  EXPECT_TRUE(seen);
}

TEST(QtMessageSink, showsTheSameTextCaptionIconAndButtons) {
  CQtMessageSink sink;
  QWidget owner;
  owner.resize(400, 300);
  owner.show();
  sink.SetOwner(&owner);
  std::string text, caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    text = box->text().toStdString();
    caption = box->windowTitle().toStdString();
    icon = box->icon();
    GuiTest::Screenshot(box, "message-box");
    box->button(QMessageBox::No)->click();
  });
  const int answer = sink.MessageBox("CImageDoc が作成できません\nSecond line.      ", "Batch Convert",
                                     MB_YESNO | MB_ICONSTOP);
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(text, "CImageDoc が作成できません\nSecond line.      ");
  EXPECT_EQ(caption, "Batch Convert");
  EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(QtMessageSink, theSecondButtonIsTheDefaultWhenTheStyleSaysSo) {
  CQtMessageSink sink;
  for (unsigned style : std::initializer_list<unsigned>{MB_YESNO | MB_DEFBUTTON2, MB_YESNOCANCEL | MB_DEFBUTTON2,
                                                       MB_OKCANCEL | MB_DEFBUTTON2, MB_YESNO}) {
    QTimer::singleShot(50, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        QTest::keyClick(box, Qt::Key_Return);
    });
    const int answer = sink.MessageBox("Save?", "", style | MB_ICONQUESTION);
    const int want = (style & 0x0Fu) == MB_OKCANCEL ? IDCANCEL : (style & MB_DEFBUTTON2) ? IDNO : IDYES;
    EXPECT_EQ(answer, want) << style;
  }
}

TEST(CommandLine, configFolderAndFiles) {
  std::string config;
  StartOptions options;
  ASSERT_TRUE(ParseCommandLine({"--config", "/tmp/c", "a.jpg", "--", "-b.jpg"}, config, options));
  EXPECT_EQ(config, "/tmp/c");
  EXPECT_EQ(options.files, (std::vector<std::string>{"a.jpg", "-b.jpg"}));
  EXPECT_FALSE(ParseCommandLine({"--config"}, config, options));
  EXPECT_FALSE(ParseCommandLine({"--what"}, config, options));
  // The form the help text shows.
  ASSERT_TRUE(ParseCommandLine({"--config=/tmp/d", "c.jpg"}, config, options));
  EXPECT_EQ(config, "/tmp/d");
  EXPECT_FALSE(ParseCommandLine({"--config="}, config, options));
}

TEST(SingleInstance, aSecondStartHandsItsFilesToTheFirst) {
  const std::string key = "quorvex-test-" + std::to_string(QCoreApplication::applicationPid());
  CSingleInstance first(key);
  ASSERT_TRUE(first.Acquire());
  QSignalSpy spy(&first, &CSingleInstance::filesReceived);
  {
    CSingleInstance second(key);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.SendFiles({"/x/one.jpg", "/x/two.jpg"}));
  }
  ASSERT_TRUE(spy.wait(3000));
  EXPECT_EQ(spy.at(0).at(0).toStringList(), (QStringList{"/x/one.jpg", "/x/two.jpg"}));
}

TEST(SingleInstance, theLockIsFreeAgainAfterTheFirstEnds) {
  const std::string key = "quorvex-test-free-" + std::to_string(QCoreApplication::applicationPid());
  { CSingleInstance first(key); ASSERT_TRUE(first.Acquire()); }
  CSingleInstance again(key);
  EXPECT_TRUE(again.Acquire());
}

TEST(Startup, aSecondProgramOpensItsFileInTheFirstAndShowsNothing) {
  TempDir dir;
  RecordingSink sink;
  const std::string key = "quorvex-test-start-" + std::to_string(QCoreApplication::applicationPid());
  const std::string photo = dir.File("p.jpg");
  WriteFileBytes(photo, EncodeJpeg(MakeTestPicture(40, 30), 40, 30, 3));
  CQuorvexApp first(dir.File("config"));
  StartOptions o;
  o.instanceKey = key;
  o.show = false;
  ASSERT_EQ(first.InitInstance(o), CQuorvexApp::StartResult::Running);
  first.App().SetMessageSink(sink);
  CQuorvexApp second(dir.File("config"));
  o.files = {photo};
  EXPECT_EQ(second.InitInstance(o), CQuorvexApp::StartResult::OtherInstance);
  EXPECT_EQ(second.MainFrame(), nullptr);
  QTRY_COMPARE_WITH_TIMEOUT(first.Template().Count(), 1, 3000);
  EXPECT_EQ(first.Template().Documents()[0]->PathName(), photo);
  first.ExitInstance();
}

TEST(Startup, aFileOnTheCommandLineIsOpenedAndTheWindowPlacedFromTheSettings) {
  TempDir dir;
  const std::string photo = dir.File("p.jpg");
  WriteFileBytes(photo, EncodeJpeg(MakeTestPicture(40, 30), 40, 30, 3));
  ::mkdir(dir.File("config").c_str(), 0755);
  WriteFileText(dir.File("config/quorvex.ini"),
                "[default]\nRestoreWindowPos=1\nWindowPosLeft=20\nWindowPosTop=30\nWindowPosWidth=700\n"
                "WindowPosHeight=500\n");
  CQuorvexApp app(dir.File("config"));
  StartOptions o;
  o.singleInstance = false;
  o.files = {photo};
  ASSERT_EQ(app.InitInstance(o), CQuorvexApp::StartResult::Running);
  EXPECT_EQ(app.Template().Count(), 1);
  // The stored rectangle is the outer one, frame included.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(app.MainFrame()));
  (void)QTest::qWaitFor([&] { return app.MainFrame()->frameGeometry() == QRect(20, 30, 700, 500); }, 3000);
  EXPECT_EQ(app.MainFrame()->frameGeometry(), QRect(20, 30, 700, 500));
  app.ExitInstance();
}

} // namespace
} // namespace qv::test
