#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/CommandIds.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "platform/ui/HelpWindow.h"
#include "view/ui/PngSaveDlg.h"

namespace qv::test {
namespace {

class HelpWindowTest : public GuiTest {};

TEST_F(HelpWindowTest, f1NamesTheProgramsTopicAndTheReadmeSection) {
  QTest::keyClick(Frame(), Qt::Key_F1);
  Settle();
  CHelpWindow* help = CHelpWindow::Current();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->isModal());
  EXPECT_EQ(help->windowTitle().toStdString(), "Quorvex Help");
  EXPECT_EQ(help->Topic(), 1000);
  const std::string text = help->Text().toStdString();
  EXPECT_NE(text.find("1000"), std::string::npos);
  EXPECT_NE(text.find("README"), std::string::npos);
  EXPECT_NE(text.find("\"The desktop program\""), std::string::npos);
  EXPECT_TRUE(sink.messages.empty());

  // The search page comes in the same window; Close ends it.
  Trigger(ID_HELP_FINDER);
  EXPECT_EQ(CHelpWindow::Current(), help);
  EXPECT_EQ(help->Topic(), 0);
  EXPECT_NE(help->Text().toStdString().find("Search the README"), std::string::npos);
  EXPECT_FALSE(help->SearchButton()->isEnabled());
  help->CloseButton()->click();
  Settle();
  EXPECT_EQ(CHelpWindow::Current(), nullptr);
}

TEST_F(HelpWindowTest, aTopicPageLeadsToTheSearchPage) {
  CHelpWindow* help = CHelpWindow::ShowTopic(Frame(), 1312);
  EXPECT_NE(help->Text().toStdString().find("Gamma and brightness"), std::string::npos);
  Settle();
  Screenshot(help, "help-window");
  ASSERT_TRUE(help->SearchButton()->isEnabled());
  help->SearchButton()->click();
  EXPECT_EQ(help->Topic(), 0);
}

TEST_F(HelpWindowTest, aDialogsHelpCanBeReadAndClosedWhileTheDialogIsUp) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  ASSERT_NE(doc, nullptr);
  bool shown = false, closed = false;
  std::string text;
  WhenModal<CPngSaveDialog>([&](CPngSaveDialog& dlg) {
    dlg.HelpButton()->click();
    CHelpWindow* help = CHelpWindow::Current();
    if (!help) return dlg.reject();
    text = help->Text().toStdString();
    shown = help->isVisible() && help->parentWidget() == &dlg;
    // A click goes through the window system's path, which a window blocked
    // by the modal dialog would not pass.
    QTest::mouseClick(help->CloseButton(), Qt::LeftButton);
    Settle();
    closed = CHelpWindow::Current() == nullptr;
    dlg.reject();
  });
  EXPECT_EQ(doc->OnSaveDocument(dir.File("x.png")), 0);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(closed);
  EXPECT_NE(text.find("1311"), std::string::npos);
  EXPECT_NE(text.find("PNG save options"), std::string::npos);
}

TEST_F(HelpWindowTest, itGoesWithTheDialogItWasOpenedFor) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  WhenModal<CPngSaveDialog>([&](CPngSaveDialog& dlg) {
    dlg.HelpButton()->click();
    dlg.reject();
  });
  doc->OnSaveDocument(dir.File("x.png"));
  Settle();
  EXPECT_EQ(CHelpWindow::Current(), nullptr);
  // F1 afterwards opens a window of the main frame again.
  Trigger(ID_HELP_INDEX);
  ASSERT_NE(CHelpWindow::Current(), nullptr);
  EXPECT_EQ(CHelpWindow::Current()->parentWidget(), Frame());
}

} // namespace
} // namespace qv::test
