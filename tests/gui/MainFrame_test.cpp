#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "GuiFixture.h"
#include "app/Profile.h"
#include "gui/AppTexts.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/BatchHost.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/RecentFileList.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/HelpWindow.h"
#include "gui/ImageView.h"
#include "gui/ViewCommandIds.h"

namespace qv::test {
namespace {

// What a menu bar shows: per menu its title and items "id|text|keys".
std::vector<std::pair<std::string, std::vector<std::string>>> WalkMenus(QMenuBar* bar) {
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  for (QAction* top : bar->actions()) {
    std::vector<std::string> items;
    for (QAction* a : top->menu()->actions()) {
      if (a->isSeparator()) {
        items.push_back("-");
        continue;
      }
      items.push_back(std::to_string(a->property("cmdId").toInt()) + "|" + a->text().toStdString() + "|" +
                      a->shortcut().toString(QKeySequence::PortableText).toStdString());
    }
    out.emplace_back(top->text().toStdString(), items);
  }
  return out;
}

using MenuList = std::vector<std::pair<std::string, std::vector<std::string>>>;

class MainFrameTest : public GuiTest {};

TEST_F(MainFrameTest, emptyWindowShowsMenu122AndTheInitialInfoText) {
  EXPECT_EQ(Frame()->CurrentMenuId(), IDR_MAINFRAME);
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex");
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), "Iinformation of the image file will be displayed in here.");
  EXPECT_EQ(DocumentCount(), 0);  // no empty document at start
  Screenshot(Frame(), "main-empty");
}

TEST_F(MainFrameTest, menu122ItemsTextsIdsAndKeys) {
  const MenuList expected = {
      {"&File", {"57601|&Open\tCtrl+O|Ctrl+O", "-", "57616|Recent|", "-", "57665|E&xit\tAlt+F4|"}},
      {"&Convert", {"438|&Batch Convert|"}},
      {"&Tool", {"59393|&Status Bar|"}},
      {"&Version", {"57664|&About Quorvex...|"}},
  };
  EXPECT_EQ(WalkMenus(Frame()->menuBar()), expected);
}

TEST_F(MainFrameTest, menu131ItemsTextsIdsAndKeys) {
  Open(Photo("a.jpg", 64, 48));
  ASSERT_EQ(Frame()->CurrentMenuId(), IDR_IMAGETYPE);
  MenuList got = WalkMenus(Frame()->menuBar());
  // The recent entry's text depends on the temporary folder: check its form.
  ASSERT_GE(got[0].second.size(), 4u);
  EXPECT_EQ(got[0].second[3].substr(0, 9), "57616|&1 ");
  got[0].second[3] = "recent";
  const MenuList expected = {
      {"&File", {"57601|&Open\tCtrl+O|Ctrl+O", "57602|&Close\tCtrl+F4|", "-", "recent", "-",
                 "57665|E&xit\tAlt+F4|"}},
      {"&Convert", {"438|&Batch Convert|"}},
      {"&Tool", {"59393|&Status Bar|", "-", "422|Size &Up\t]|]", "423|Size &Down\t[|[",
                 "424|Size &Raw\tCtrl+Alt+0|Ctrl+Alt+0", "-", "427|&Fit Window\tCtrl+F|Ctrl+F"}},
      {"&Window", {"57650|&Layer|", "57651|&Horizontal|", "57652|&Vertical|", "-", "428|C&lose All\tCtrl+L|Ctrl+L"}},
      {"&Version", {"57664|&About Quorvex...|"}},
  };
  EXPECT_EQ(got, expected);
}

TEST_F(MainFrameTest, acceleratorsReachTheirCommands) {
  Open(Photo("a.jpg", 64, 48));
  CDocument* b = Open(Photo("b.jpg", 64, 48));
  Frame()->activateWindow();
  ViewOf(b)->setFocus();
  QTest::keyClick(ViewOf(b), Qt::Key_F, Qt::ControlModifier);  // Fit Window
  Settle();
  EXPECT_EQ(ViewOf(b)->ClientSize(), (ZSize{64, 48}));
  QTest::keyClick(ViewOf(b), Qt::Key_F4, Qt::ControlModifier);  // Close
  Settle();
  EXPECT_EQ(DocumentCount(), 1);
  Open(Photo("c.jpg", 64, 48));
  QTest::keyClick(Frame(), Qt::Key_L, Qt::ControlModifier);  // Close All
  Settle();
  EXPECT_EQ(DocumentCount(), 0);
}

TEST_F(MainFrameTest, everyMenuCommandHasItsStatusPrompt) {
  Open(Photo("a.jpg", 64, 48));
  const std::map<int, std::string> prompts = {
      {57601, "Open image file."}, {57602, "Current image file close."}, {57665, "Quit the application."},
      {438, "Batch convert to exif format matching the KX-M410."}, {59393, "Show or hide the status bar."},
      {422, "Image display size up."}, {423, "Image display size down."}, {424, "Image display raw size."},
      {427, "Fit window size with main frame."}, {428, "Close all windows."}, {57650, "Window arrange layer"},
      {57651, "Window arrange horizontal"}, {57652, "Window arrange vertical"},
      {57664, "Display program information."}, {57616, "Open this file."},
      {425, "表示倍率・表示位置を一致させます"}, {57634, "現在の画像をクリップボードに転送します"},
      {401, "Specify resize rate."}, {412, "Specify resize rate."}};
  for (const auto& [id, text] : prompts) {
    QAction* a = Frame()->Action(id);
    ASSERT_NE(a, nullptr) << id;
    EXPECT_EQ(a->statusTip().toStdString(), text) << id;
  }
  // Highlighting an item puts its prompt into pane 0.
  Frame()->Action(ID_FILE_OPEN)->showStatusText(Frame());
  EXPECT_EQ(Frame()->MessagePaneText().toStdString(), "Open image file.");
}

TEST_F(MainFrameTest, theMenuSwitchesWithTheFirstDocumentAndBackWithTheLast) {
  CDocument* a = Open(Photo("a.jpg", 64, 48));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Frame()->CurrentMenuId(), IDR_IMAGETYPE);
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - a.jpg");
  Trigger(ID_FILE_CLOSE);
  EXPECT_EQ(DocumentCount(), 0);
  EXPECT_EQ(Frame()->CurrentMenuId(), IDR_MAINFRAME);
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), " ");
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex");
}

TEST_F(MainFrameTest, threeFilesTiledWithTheirStatusBars) {
  Open(Photo("lake.jpg", 640, 480, 1));
  Open(Photo("ridge.jpg", 800, 450, 2));
  CDocument* c = Open(Photo("tower.jpg", 300, 400, 3));
  ASSERT_EQ(DocumentCount(), 3);
  Trigger(ID_WINDOW_TILE_HORZ);
  const auto windows = Frame()->MdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 3);
  const int areaW = Frame()->MdiArea()->viewport()->width();
  int top = -1;
  for (QMdiSubWindow* w : windows) {
    EXPECT_EQ(w->geometry().width(), areaW);  // one above another, full width
    EXPECT_GT(w->geometry().y(), top);
    top = w->geometry().y();
  }
  Trigger(ID_WINDOW_TILE_VERT);
  const int areaH = Frame()->MdiArea()->viewport()->height();
  for (QMdiSubWindow* w : Frame()->MdiArea()->subWindowList()) EXPECT_EQ(w->geometry().height(), areaH);
  EXPECT_EQ(FrameOf(c)->PaneText(1).toStdString(), "100%");
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), c->Doc().m_strDescription);
  Screenshot(Frame(), "main-three-tiled");
}

TEST_F(MainFrameTest, threeSamplePhotosTiledSideBySide) {
  const std::string samples = QUORVEX_SAMPLES_DIR;
  if (!FileExists(samples + "/lake-4x3.jpg")) GTEST_SKIP() << "no samples";
  for (const char* name : {"lake-4x3.jpg", "ridge-wide.jpg", "tower-portrait.jpg"}) {
    CDocument* doc = Open(samples + "/" + name);
    ASSERT_NE(doc, nullptr) << name;
    ViewOf(doc)->SetZoom(25);
  }
  Trigger(ID_WINDOW_TILE_VERT);
  EXPECT_EQ(Frame()->MdiArea()->subWindowList().size(), 3);
  Screenshot(Frame(), "main-three-samples-tiled");
}

TEST_F(MainFrameTest, childStatusBarShowsTheFileSizeAndTheZoom) {
  const std::string path = Photo("a.jpg", 320, 240);
  CDocument* doc = Open(path);
  const size_t size = ReadFileBytes(path).size();
  char grouped[32];
  if (size >= 1000)
    std::snprintf(grouped, sizeof grouped, "%zu,%03zu", size / 1000, size % 1000);
  else
    std::snprintf(grouped, sizeof grouped, "%zu", size);
  const std::string text = FrameOf(doc)->PaneText(0).toStdString();
  EXPECT_EQ(text.substr(0, 1 + std::strlen(grouped) + 1), "[" + std::string(grouped) + "(");
  EXPECT_EQ(text.substr(text.size() - 6), ")byte]");
  EXPECT_EQ(FrameOf(doc)->PaneText(1).toStdString(), "100%");
  EXPECT_EQ(FrameOf(doc)->FrameIconId(), 135);
}

TEST_F(MainFrameTest, statusBarToggleHidesEveryBarAndNewWindowsFollow) {
  CDocument* docs[3] = {Open(Photo("a.jpg", 64, 48)), Open(Photo("b.jpg", 64, 48)), Open(Photo("c.jpg", 64, 48))};
  EXPECT_TRUE(Frame()->Action(ID_VIEW_STATUS_BAR)->isChecked());
  Trigger(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(Frame()->statusBar()->isHidden());
  for (CDocument* d : docs) EXPECT_TRUE(FrameOf(d)->StatusBar()->isHidden());
  EXPECT_FALSE(Frame()->Action(ID_VIEW_STATUS_BAR)->isChecked());
  CDocument* later = Open(Photo("d.jpg", 64, 48));
  EXPECT_TRUE(FrameOf(later)->StatusBar()->isHidden());
  Trigger(ID_VIEW_STATUS_BAR);
  EXPECT_FALSE(Frame()->statusBar()->isHidden());
  for (CDocument* d : docs) EXPECT_FALSE(FrameOf(d)->StatusBar()->isHidden());
  EXPECT_FALSE(FrameOf(later)->StatusBar()->isHidden());
}

TEST_F(MainFrameTest, closeAllClosesEveryWindowAndEndsARun) {
  Open(Photo("a.jpg", 64, 48));
  Open(Photo("b.jpg", 64, 48));
  App().BatchHost().Run().batchTotal = 7;
  Trigger(ID_CLOSE_ALL);
  EXPECT_EQ(DocumentCount(), 0);
  EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(App().BatchHost().Run().batchIndex, 7);
  EXPECT_EQ(Frame()->CurrentMenuId(), IDR_MAINFRAME);
  EXPECT_TRUE(sink.messages.empty());  // no prompts
}

TEST_F(MainFrameTest, closingTheWindowClosesItsDocument) {
  CDocument* doc = Open(Photo("a.jpg", 64, 48));
  FrameOf(doc)->close();
  Settle();
  EXPECT_EQ(DocumentCount(), 0);
  EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(MainFrameTest, openingAFileAlreadyOpenReusesItsWindow) {
  const std::string a = Photo("a.jpg", 64, 48);
  CDocument* first = Open(a);
  Open(Photo("b.jpg", 64, 48));
  ASSERT_NE(Frame()->ActiveDocument(), first);
  // Same file, other letter case in the name: the same window, reloaded.
  std::string upper = a;
  upper.replace(upper.size() - 5, 5, "A.JPG");
  EXPECT_EQ(Open(upper), nullptr);
  EXPECT_EQ(DocumentCount(), 2);
  EXPECT_EQ(Frame()->ActiveDocument(), first);
  EXPECT_EQ(Open(a), nullptr);
  EXPECT_EQ(DocumentCount(), 2);
}

TEST_F(MainFrameTest, droppedFilesOpenInTheirOrderAndFailuresAreReported) {
  const std::string b = Photo("b.jpg", 64, 48);
  const std::string a = Photo("a.jpg", 64, 48);
  const std::string broken = dir.File("broken.jpg");
  WriteFileText(broken, "not a picture");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(b)), QUrl::fromLocalFile(QString::fromStdString(broken)),
                QUrl::fromLocalFile(QString::fromStdString(a))});
  const QPoint at = Frame()->MdiArea()->geometry().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Frame(), &drop);
  Settle();
  auto docs = App().Template().Documents();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[0]->PathName(), b);
  EXPECT_EQ(docs[1]->PathName(), a);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "JPEG File Load");
  EXPECT_NE(sink.messages[0].text.find("broken.jpg"), std::string::npos);
}

TEST_F(MainFrameTest, fileOpenTakesSeveralFilesInCaseInsensitiveOrderAndRemembersTheFolder) {
  Photo("b.jpg", 40, 30);
  Photo("A.jpg", 40, 30);
  Photo("c.jpg", 40, 30);
  App().OpenDialog().SetInitialDir(dir.Path());
  QFileDialog* dlg = App().OpenDialog().Dialog();
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  QTimer::singleShot(50, dlg, [dlg] {
    // Typed as a user types several names.
    auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit) edit->setText(QStringLiteral("\"b.jpg\" \"A.jpg\" \"c.jpg\""));
    static_cast<QDialog*>(dlg)->accept();
    if (dlg->isVisible()) dlg->reject();
  });
  Trigger(ID_FILE_OPEN);
  auto docs = App().Template().Documents();
  ASSERT_EQ(docs.size(), 3u);
  EXPECT_EQ(docs[0]->Title(), "A.jpg");
  EXPECT_EQ(docs[1]->Title(), "b.jpg");
  EXPECT_EQ(docs[2]->Title(), "c.jpg");
  EXPECT_EQ(App().App().m_settings.ReadDir, dir.Path());
  EXPECT_EQ(App().App().m_settings.ReadFilterIdx, 1);
}

TEST_F(MainFrameTest, recentFilesListTheNewestFirstAndReopen) {
  const std::string a = Photo("a.jpg", 40, 30);
  const std::string b = Photo("b.jpg", 40, 30);
  Open(a);
  Open(b);
  ASSERT_EQ(App().Recent().Size(), 2);
  EXPECT_EQ(App().Recent().Path(0), b);
  Trigger(ID_CLOSE_ALL);
  Frame()->updateActions();
  // The menu is rebuilt when it opens.
  QMenu* file = Frame()->menuBar()->actions().front()->menu();
  emit file->aboutToShow();
  QAction* second = Frame()->Action(ID_FILE_MRU_FIRST + 1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->text().toStdString().substr(0, 3), "&2 ");
  second->trigger();
  Settle();
  ASSERT_EQ(DocumentCount(), 1);
  EXPECT_EQ(App().Template().Documents()[0]->PathName(), a);
  EXPECT_EQ(App().Recent().Path(0), a);
}

TEST_F(MainFrameTest, recentListIsSavedAtExitAndHoldsMaxMruEntries) {
  CRecentFileList list(3);
  for (const char* n : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/2.JPG"}) list.Add(n);
  ASSERT_EQ(list.Size(), 3);
  EXPECT_EQ(list.Path(0), "/p/2.JPG");
  EXPECT_EQ(list.Path(1), "/p/4.jpg");
  EXPECT_EQ(list.Path(2), "/p/3.jpg");
  CProfile profile(dir.File("mru.ini"));
  ASSERT_TRUE(list.Save(profile));
  CRecentFileList again(9);
  again.Load(profile);
  EXPECT_EQ(again.Paths(), list.Paths());
}

TEST_F(MainFrameTest, closingTheMainWindowStoresItsRectangleAndTheEncoderChoices) {
  App().App().m_settings.Param2 = 1;
  App().App().m_settings.Param3 = 1;
  Frame()->move(30, 40);
  Frame()->resize(900, 650);
  Open(Photo("a.jpg", 40, 30));
  // The outer rectangle, frame included; a window manager may take a moment.
  (void)QTest::qWaitFor([&] { return Frame()->pos() == QPoint(30, 40) && Frame()->size() == QSize(900, 650); }, 3000);
  const QRect outer = Frame()->frameGeometry();
  Frame()->close();
  const CSettings& s = App().App().m_settings;
  EXPECT_EQ(s.WindowPosLeft, 30);
  EXPECT_EQ(s.WindowPosTop, 40);
  EXPECT_EQ(s.WindowPosWidth, outer.width());
  EXPECT_EQ(s.WindowPosHeight, outer.height());
  EXPECT_EQ(s.Param2, 2);
  EXPECT_EQ(s.Param3, 0);
  App().ExitInstance();
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetInt("default", "WindowPosWidth", 0), outer.width());
  EXPECT_EQ(ini.GetString(kRecentSection, "File1", ""), dir.File("a.jpg"));
}

TEST_F(MainFrameTest, pasteMakesALiveClipboardDocumentAndRefillsIt) {
  EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
  QImage picture(50, 30, QImage::Format_RGB32);
  picture.fill(QColor(10, 200, 30));
  QGuiApplication::clipboard()->setImage(picture);
  Settle();
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE));
  EXPECT_EQ(DocumentCount(), 0);  // following the clipboard is off
  Trigger(ID_EDIT_PASTE);
  ASSERT_EQ(DocumentCount(), 1);
  CDocument* doc = App().Template().Documents()[0];
  EXPECT_EQ(doc->Title(), "クリップボード");
  EXPECT_EQ(doc->Doc().m_nFileType, 132);
  EXPECT_EQ(doc->Doc().m_strDescription, "50x30 Clipboard Image");
  EXPECT_EQ(FrameOf(doc)->PaneText(0).toStdString(), " ");
  EXPECT_EQ(FrameOf(doc)->FrameIconId(), 132);
  picture = QImage(20, 10, QImage::Format_RGB32);
  picture.fill(Qt::red);
  QGuiApplication::clipboard()->setImage(picture);
  Trigger(ID_EDIT_PASTE);
  ASSERT_EQ(DocumentCount(), 1);  // refilled in place
  EXPECT_EQ(doc->Doc().m_strDescription, "20x10 Clipboard Image");
  Screenshot(Frame(), "main-clipboard");
  Trigger(ID_EDIT_CLEAR_ALL);
  EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
}

TEST_F(MainFrameTest, followingTheClipboardFreezesTheLiveDocumentWithANumber) {
  App().App().m_settings.AutoUpdateClipboard = 1;
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  QGuiApplication::clipboard()->setImage(picture);
  Settle();
  ASSERT_EQ(DocumentCount(), 1);
  picture.fill(Qt::green);
  QGuiApplication::clipboard()->setImage(picture);
  Settle();
  picture = QImage(64, 32, QImage::Format_RGB32);
  picture.fill(Qt::yellow);
  QGuiApplication::clipboard()->setImage(picture);
  Settle();
  auto docs = App().Template().Documents();
  ASSERT_EQ(docs.size(), 3u);
  EXPECT_EQ(docs[0]->Title(), "クリップボード(1)");
  EXPECT_EQ(docs[1]->Title(), "クリップボード(2)");
  EXPECT_EQ(docs[2]->Title(), "クリップボード");
  EXPECT_FALSE(docs[0]->IsClipboard());
  EXPECT_TRUE(docs[2]->IsClipboard());
  EXPECT_EQ(docs[2]->Doc().m_strDescription, "64x32 Clipboard Image");
  App().App().m_settings.AutoUpdateClipboard = 0;
  QGuiApplication::clipboard()->clear();
}

TEST_F(MainFrameTest, markingAClipboardDocumentModifiedNumbersItsTitleFirst) {
  QImage picture(8, 8, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  QGuiApplication::clipboard()->setImage(picture);
  Trigger(ID_EDIT_PASTE);
  CDocument* doc = App().Template().Documents().at(0);
  doc->MarkModified(true);
  EXPECT_EQ(doc->Title(), "クリップボード(1) *");
  EXPECT_EQ(FrameOf(doc)->windowTitle().toStdString(), "クリップボード(1) *");
  doc->MarkModified(false);
  EXPECT_EQ(doc->Title(), "クリップボード(1)");
  QGuiApplication::clipboard()->clear();
}

TEST_F(MainFrameTest, aFileThatDoesNotLoadIsReportedOnceAndOpensNothing) {
  const std::string broken = dir.File("x.jpg");
  WriteFileText(broken, "garbage");
  App().OpenFiles({broken, dir.File("noextension")});
  EXPECT_EQ(DocumentCount(), 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "JPEG File Load");
  EXPECT_EQ(sink.messages[0].style, 0x30u);
  Settle(250);  // the timer's report finds nothing left
  EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(MainFrameTest, helpNamesItsTopic) {
  Trigger(ID_HELP_INDEX);
  ASSERT_NE(CHelpWindow::Current(), nullptr);
  EXPECT_TRUE(CHelpWindow::Current()->isVisible());
  EXPECT_NE(CHelpWindow::Current()->Text().toStdString().find("1000"), std::string::npos);
  EXPECT_TRUE(sink.messages.empty());
}

} // namespace
} // namespace qv::test
