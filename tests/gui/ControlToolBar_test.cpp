#include <sys/stat.h>

#include <functional>
#include <map>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "app/Profile.h"
#include "gui/AppTexts.h"
#include "gui/CommandIds.h"
#include "gui/ControlToolBar.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/ImageView.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/ViewCommandIds.h"
#include "platform/ui/HelpWindow.h"
#include "image/ImageDoc.h"
#include "platform/ui/FileDialog.h"
#include "view/ui/GammaDlg.h"
#include "view/ui/ResizeDlg.h"

namespace qv::test {
namespace {

// Clicks the entry of a popup menu once one is up.
void WhenPopup(std::function<QAction*(QMenu&)> pick) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, pick, tries] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu && ++*tries < 300) return;
    timer->stop();
    timer->deleteLater();
    if (!menu) return;
    if (QAction* a = pick(*menu)) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    else menu->close();
  });
  timer->start(10);
}

std::vector<uint8_t> Pixels(const CImageDoc& doc) {
  const CDibBitmap& b = doc.Bitmap();
  return std::vector<uint8_t>(b.Bits(), b.Bits() + b.Stride() * b.Height());
}

class ControlToolBarTest : public GuiTest {
protected:
  // The resize dialog from its button, the width typed, then OK or Cancel.
  void ResizeFromToolbar(const char* width, bool ok) {
    WhenModal<CResizeDlg>([width, ok](CResizeDlg& dlg) {
      Type(dlg.WidthEdit(), width);
      (ok ? dlg.OkButton() : dlg.CancelButton())->click();
    });
    QTest::mouseClick(Button(ID_RESIZE), Qt::LeftButton);
    Settle();
  }
  void SetUp() override {
    GuiTest::SetUp();
    QGuiApplication::clipboard()->clear();
    Settle();
  }
  CControlToolBar* Bar() { return Frame()->ToolBar(); }
  QToolButton* Button(int id) {
    Frame()->updateActions();
    return Bar()->Button(id);
  }
  // What every button says: enabled, checked.
  std::map<int, std::pair<bool, bool>> States() {
    Frame()->updateActions();
    std::map<int, std::pair<bool, bool>> out;
    for (int id : CControlToolBar::Layout())
      if (id != 0)
        if (QToolButton* b = Bar()->Button(id)) out[id] = {b->isEnabled(), b->isChecked()};
    return out;
  }
  void RightClick(QWidget* on) {
    const QPoint at(on->width() - 4, on->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, on->mapToGlobal(at));
    QCoreApplication::sendEvent(on, &event);
  }
  // Chooses the toolbar command of the right-click menu.
  void ToggleByRightClick(QWidget* on) {
    const bool before = Frame()->IsToolBarShown();
    WhenPopup([](QMenu& m) { return m.actions().isEmpty() ? nullptr : m.actions().front(); });
    RightClick(on);
    (void)QTest::qWaitFor([&] { return Frame()->IsToolBarShown() != before; }, 3000);
    Settle();
  }
  void PressOnFrame(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Frame()->activateWindow();
    (void)QTest::qWaitForWindowActive(Frame(), 3000);
    QTest::keyClick(Frame(), key, modifiers);
    Settle();
  }
};

TEST_F(ControlToolBarTest, everyCommandWithoutAMenuEntryHasAButtonWithIconTipAndPrompt) {
  ASSERT_NE(Bar(), nullptr);
  EXPECT_TRUE(Frame()->IsToolBarShown());
  int buttons = 0, separators = 0;
  for (int id : CControlToolBar::Layout()) {
    if (id == 0) {
      ++separators;
      continue;
    }
    QToolButton* b = Button(id);
    ASSERT_NE(b, nullptr) << id;
    ++buttons;
    EXPECT_FALSE(b->icon().isNull()) << id;
    EXPECT_EQ(b->icon().actualSize(QSize(16, 16)), QSize(16, 16)) << id;
    if (id == ID_ZOOM_RATE_FIRST) {
      EXPECT_EQ(b->toolTip().toStdString(), "表示倍率");
      EXPECT_EQ(b->statusTip().toStdString(), "Specify resize rate.");
    } else {
      EXPECT_EQ(b->toolTip().toStdString(), CommandShortName(id)) << id;
      EXPECT_FALSE(b->toolTip().isEmpty()) << id;
      EXPECT_EQ(b->statusTip().toStdString(), CommandPromptLine(id)) << id;
    }
  }
  EXPECT_EQ(buttons, 22);
  EXPECT_EQ(separators, 8);
  // The documented prompts and short names, exactly.
  EXPECT_EQ(Button(ID_FILE_SAVE_AS)->toolTip().toStdString(), "名前をつけて保存");
  EXPECT_EQ(Button(ID_EDIT_COPY)->toolTip().toStdString(), "コピー");
  EXPECT_EQ(Button(ID_SYNC_VIEWS)->toolTip().toStdString(), "表示同期");
  EXPECT_EQ(Button(ID_RESIZE)->toolTip().toStdString(), "サイズ変更");
  EXPECT_EQ(Button(ID_GAMMA)->toolTip().toStdString(), "ガンマ/輝度補正");
  EXPECT_EQ(Button(ID_COMMENT_EDIT)->toolTip().toStdString(), "コメント編集");
  EXPECT_EQ(Button(ID_SETTINGS)->toolTip().toStdString(), "プログラム詳細設定");
  // The zoom drop-down holds the twelve rates with their labels.
  QMenu* rates = Button(ID_ZOOM_RATE_FIRST)->menu();
  ASSERT_NE(rates, nullptr);
  std::vector<std::string> labels;
  for (QAction* a : rates->actions()) labels.push_back(a->text().toStdString());
  EXPECT_EQ(labels, (std::vector<std::string>{"10%", "25%", "33%", "50%", "100%", "200%", "300%", "400%", "600%",
                                              "800%", "1200%", "1600%"}));
}

TEST_F(ControlToolBarTest, theMenusStayAsTheyWere) {
  for (QAction* top : Frame()->menuBar()->actions())
    for (QAction* a : top->menu()->actions())
      for (int id : CControlToolBar::Commands())
        EXPECT_NE(a->property("cmdId").toInt(), id) << top->text().toStdString();
}

TEST_F(ControlToolBarTest, withoutADocumentOnlyHelpAndWhatTheClipboardAllowsAreEnabled) {
  std::map<int, std::pair<bool, bool>> want;
  for (int id : CControlToolBar::Layout())
    if (id != 0) want[id] = {false, false};
  want[ID_HELP_INDEX] = {true, false};
  want[ID_MARKER_OPEN] = {true, false};  // asks for its own file
  want[ID_SETTINGS] = {true, false};  // the settings sheet is always there
  // The Exif window and the bulk filter need no document.
  want[ID_EXIF_WINDOW] = {true, false};
  want[ID_BULK_FILTER] = {true, false};
  EXPECT_EQ(States(), want);
  // Paste follows the clipboard.
  QImage picture(20, 10, QImage::Format_RGB32);
  picture.fill(Qt::red);
  QGuiApplication::clipboard()->setImage(picture);
  Settle();
  want[ID_EDIT_PASTE] = {true, false};
  EXPECT_EQ(States(), want);
}

TEST_F(ControlToolBarTest, withADocumentItsCommandsFollowTheirRules) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  ASSERT_NE(doc, nullptr);
  CImageDoc& core = doc->Doc();
  core.m_bComment = 0;
  core.m_bCustomDqt = 0;
  std::map<int, std::pair<bool, bool>> want;
  for (int id : CControlToolBar::Layout())
    if (id != 0) want[id] = {false, false};
  for (int id : std::initializer_list<int>{ID_FILE_SAVE_AS, ID_FILE_RELOAD, ID_EDIT_COPY, ID_ZOOM_RATE_FIRST, ID_SYNC_VIEWS, ID_RESIZE, ID_GAMMA,
                 ID_SEPARATE_YCC, ID_CONVERT_PREVIEW, ID_COMMENT_EDIT, ID_COMMENT_TOGGLE, ID_CUSTOM_DQT_TOGGLE, ID_HELP_INDEX,
                 ID_MARKER_OPEN, ID_MARKER_EDIT, ID_EXIF_WINDOW, ID_BULK_FILTER})
    want[id] = {true, false};
  want[ID_SETTINGS] = want[ID_CUSTOM_DQT_EDIT] = {true, false};
  EXPECT_EQ(States(), want);

  // The flags of the document show as checks.
  core.m_bComment = 1;
  core.m_bCustomDqt = 1;
  want[ID_COMMENT_EDIT] = {true, true};
  want[ID_COMMENT_TOGGLE] = {true, true};
  want[ID_CUSTOM_DQT_TOGGLE] = {true, true};
  EXPECT_EQ(States(), want);

  // Reload: not for a conversion preview, not without a path.
  core.m_bConverted = 1;
  EXPECT_FALSE(Button(ID_FILE_RELOAD)->isEnabled());
  core.m_bConverted = 0;
  const std::string path = core.m_strPathName;
  core.m_strPathName.clear();
  EXPECT_FALSE(Button(ID_FILE_RELOAD)->isEnabled());
  core.m_strPathName = path;
  EXPECT_TRUE(Button(ID_FILE_RELOAD)->isEnabled());

  // The zoom entries: the current rate is checked.
  Frame()->updateActions();
  QMenu* rates = Button(ID_ZOOM_RATE_FIRST)->menu();
  for (QAction* a : rates->actions()) {
    EXPECT_TRUE(a->isEnabled());
    EXPECT_EQ(a->isChecked(), a->text() == "100%") << a->text().toStdString();
  }
}

TEST_F(ControlToolBarTest, hoveringAButtonShowsItsPromptInPaneZero) {
  Open(Photo("p.jpg", 64, 48));
  QToolButton* b = Button(ID_RESIZE);
  const QPointF at(4, 4);
  QEnterEvent enter(at, at, b->mapToGlobal(at));
  QCoreApplication::sendEvent(b, &enter);
  EXPECT_EQ(Frame()->MessagePaneText().toStdString(), "画像を拡大／縮小します");
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
  EXPECT_EQ(Frame()->MessagePaneText().toStdString(), " ");
}

TEST_F(ControlToolBarTest, command443AndARightClickToggleTheBarAndTheKeyIsSaved) {
  QAction* toggle = Frame()->Action(ID_VIEW_TOOLBAR);
  ASSERT_NE(toggle, nullptr);
  ASSERT_TRUE(Enabled(ID_VIEW_TOOLBAR));
  EXPECT_TRUE(toggle->isChecked());
  Trigger(ID_VIEW_TOOLBAR);
  EXPECT_FALSE(Frame()->IsToolBarShown());
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_EQ(App().App().m_settings.ShowToolBar, 0);
  Trigger(ID_VIEW_TOOLBAR);
  EXPECT_TRUE(Frame()->IsToolBarShown());
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_EQ(App().App().m_settings.ShowToolBar, 1);

  // A right click on the bar offers the same command, checked.
  bool offered = false;
  WhenPopup([&](QMenu& m) {
    offered = m.actions().size() == 1 && m.actions().front() == toggle && toggle->isChecked();
    return nullptr;
  });
  RightClick(Bar());
  (void)QTest::qWaitFor([&] { return offered; }, 3000);
  Settle();
  EXPECT_TRUE(offered);
  EXPECT_TRUE(Frame()->IsToolBarShown());

  ToggleByRightClick(Bar());
  EXPECT_FALSE(Frame()->IsToolBarShown());
  EXPECT_EQ(App().App().m_settings.ShowToolBar, 0);
  // With the bar gone, the menu bar still offers it.
  ToggleByRightClick(Frame()->menuBar());
  EXPECT_TRUE(Frame()->IsToolBarShown());
  ToggleByRightClick(Bar());
  EXPECT_FALSE(Frame()->IsToolBarShown());

  App().ExitInstance();
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetInt("default", "ShowToolBar", -1), 0);
}

TEST_F(ControlToolBarTest, resizeFromTheBarChangesTheDocumentAndGivesItANewId) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  const int id = doc->Doc().m_nDocumentId;
  ResizeFromToolbar("32", true);
  EXPECT_EQ(doc->Doc().Bitmap().Width(), 32);
  EXPECT_EQ(doc->Doc().Bitmap().Height(), 24);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Title(), "p.jpg *");
  EXPECT_NE(doc->Doc().m_nDocumentId, id);
  EXPECT_EQ(ViewOf(doc)->ZoomedSize(), (ZSize{32, 24}));

  // Already modified: the id stays.
  const int second = doc->Doc().m_nDocumentId;
  ResizeFromToolbar("16", true);
  EXPECT_EQ(doc->Doc().Bitmap().Width(), 16);
  EXPECT_EQ(doc->Doc().m_nDocumentId, second);
  EXPECT_EQ(doc->Title(), "p.jpg *");

  // Cancel changes nothing.
  ResizeFromToolbar("8", false);
  EXPECT_EQ(doc->Doc().Bitmap().Width(), 16);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ControlToolBarTest, resizingAConversionPreviewKeepsItsIdAndMarker) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  doc->Doc().m_bConverted = 1;
  const int id = doc->Doc().m_nDocumentId;
  ResizeFromToolbar("32", true);
  EXPECT_EQ(doc->Doc().Bitmap().Width(), 32);
  EXPECT_EQ(doc->Doc().m_nDocumentId, id);
  EXPECT_FALSE(doc->IsModified());
  doc->Doc().m_bConverted = 0;
}

TEST_F(ControlToolBarTest, gammaFromTheBarChangesThePixelsAndMarksTheDocument) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  const std::vector<uint8_t> before = Pixels(doc->Doc());
  WhenModal<CGammaDialog>([](CGammaDialog& dlg) {
    Type(dlg.GammaEdit(), "2.2");
    dlg.OkButton()->click();
  });
  QTest::mouseClick(Button(ID_GAMMA), Qt::LeftButton);
  Settle();
  EXPECT_NE(Pixels(doc->Doc()), before);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Title(), "p.jpg *");
  EXPECT_EQ(doc->Doc().m_strDescription, "64x48 Modified Image");
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), "64x48 Modified Image");
  EXPECT_TRUE(sink.messages.empty());

  // Its Help button names a topic in the help window.
  int shown = 0;
  WhenModal<CGammaDialog>([&shown](CGammaDialog& dlg) {
    dlg.HelpButton()->click();
    if (CHelpWindow* help = CHelpWindow::Current()) shown = help->isVisible() ? help->Topic() : -1;
    dlg.reject();
  });
  const std::vector<uint8_t> after = Pixels(doc->Doc());
  QTest::mouseClick(Button(ID_GAMMA), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Pixels(doc->Doc()), after);
  EXPECT_EQ(shown, 1312);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ControlToolBarTest, reloadFromTheBarReadsTheFileAgain) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  ResizeFromToolbar("32", true);
  ASSERT_TRUE(doc->IsModified());
  QTest::mouseClick(Button(ID_FILE_RELOAD), Qt::LeftButton);
  Settle();
  EXPECT_EQ(doc->Doc().Bitmap().Width(), 64);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->Title(), "p.jpg");
}

TEST_F(ControlToolBarTest, theZoomDropDownSetsTheRateAndSyncFollowsIt) {
  CDocument* a = Open(Photo("a.jpg", 64, 48));
  CDocument* b = Open(Photo("b.jpg", 64, 48, 2));
  b->Doc().m_nDocumentId = a->Doc().m_nDocumentId;  // as a preview shares its source's
  ASSERT_EQ(Frame()->ActiveDocument(), b);
  EXPECT_EQ(Button(ID_ZOOM_RATE_FIRST)->text().toStdString(), "100%");
  WhenPopup([](QMenu& m) {
    for (QAction* act : m.actions())
      if (act->text() == "200%") return act;
    return static_cast<QAction*>(nullptr);
  });
  QTest::mouseClick(Button(ID_ZOOM_RATE_FIRST), Qt::LeftButton);
  Settle();
  EXPECT_EQ(ViewOf(b)->GetZoom(), 200);
  EXPECT_EQ(ViewOf(a)->GetZoom(), 100);
  EXPECT_EQ(Button(ID_ZOOM_RATE_FIRST)->text().toStdString(), "200%");
  QTest::mouseClick(Button(ID_SYNC_VIEWS), Qt::LeftButton);
  Settle();
  EXPECT_EQ(ViewOf(a)->GetZoom(), 200);
}

TEST_F(ControlToolBarTest, copyAndPasteFromTheBar) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  EXPECT_FALSE(Button(ID_EDIT_PASTE)->isEnabled());
  QTest::mouseClick(Button(ID_EDIT_COPY), Qt::LeftButton);
  Settle();
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), QSize(40, 30));
  ASSERT_TRUE(Button(ID_EDIT_PASTE)->isEnabled());
  QTest::mouseClick(Button(ID_EDIT_PASTE), Qt::LeftButton);
  Settle();
  ASSERT_EQ(DocumentCount(), 2);
  CDocument* pasted = Frame()->ActiveDocument();
  ASSERT_NE(pasted, doc);
  EXPECT_TRUE(pasted->IsClipboard());
  EXPECT_EQ(pasted->Doc().Bitmap().Width(), 40);
}

TEST_F(ControlToolBarTest, helpFromTheBarNamesItsTopic) {
  QTest::mouseClick(Button(ID_HELP_INDEX), Qt::LeftButton);
  Settle();
  ASSERT_NE(CHelpWindow::Current(), nullptr);
  EXPECT_TRUE(CHelpWindow::Current()->isVisible());
  EXPECT_NE(CHelpWindow::Current()->Text().toStdString().find("1000"), std::string::npos);
}

// ---- keys users expect ----

TEST_F(ControlToolBarTest, theExpectedKeysStandBesideTheAcceleratorTable) {
  EXPECT_EQ(Frame()->Action(ID_FILE_SAVE_AS)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(Frame()->Action(ID_EDIT_COPY)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(Frame()->Action(ID_EDIT_PASTE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
  EXPECT_EQ(Frame()->Action(ID_HELP_INDEX)->shortcut(), QKeySequence(Qt::Key_F1));
  // The accelerator table is what it was.
  std::vector<std::string> table;
  for (const AccelDef& acc : Accelerators()) table.push_back(acc.keys);
  EXPECT_EQ(table, (std::vector<std::string>{"Ctrl+O", "Ctrl+F", "Ctrl+L", "Ctrl+Alt+0", "[", "]"}));
}

TEST_F(ControlToolBarTest, ctrlSSavesAs) {
  Open(Photo("p.jpg", 64, 48));
  ::mkdir(dir.File("saved").c_str(), 0755);
  const std::string target = dir.File("saved/keyed.jpg");
  QFileDialog* dlg = App().SaveDialog().Dialog();
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  bool shown = false;
  QTimer::singleShot(50, dlg, [&] {
    auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) return;
    shown = true;
    edit->setText(QString::fromStdString(target));
    static_cast<QDialog*>(dlg)->accept();
    if (dlg->isVisible()) dlg->reject();
  });
  PressOnFrame(Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(FileExists(target));
  EXPECT_EQ(Frame()->ActiveDocument()->Title(), "keyed.jpg");
}

TEST_F(ControlToolBarTest, ctrlCCopiesAndCtrlVPastes) {
  Open(Photo("p.jpg", 40, 30));
  PressOnFrame(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(40, 30));
  Frame()->updateActions();
  PressOnFrame(Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(DocumentCount(), 2);
  EXPECT_TRUE(Frame()->ActiveDocument()->IsClipboard());
}

TEST_F(ControlToolBarTest, f1ShowsHelp) {
  PressOnFrame(Qt::Key_F1);
  ASSERT_NE(CHelpWindow::Current(), nullptr);
  EXPECT_TRUE(CHelpWindow::Current()->isVisible());
  EXPECT_EQ(CHelpWindow::Current()->Topic(), 1000);
}

TEST_F(ControlToolBarTest, screenshotOfTheWindowWithTheBar) {
  Open(Photo("photo.jpg", 320, 240, 5));
  Frame()->updateActions();
  QToolButton* b = Button(ID_GAMMA);
  const QPointF at(4, 4);
  QEnterEvent enter(at, at, b->mapToGlobal(at));
  QCoreApplication::sendEvent(b, &enter);
  Screenshot(Frame(), "toolbar");
}

// ---- the setting at start ----

TEST(ControlToolBarStart, theSettingHidesTheBarAtStartAndIsWrittenBack) {
  TempDir dir;
  ::mkdir(dir.File("config").c_str(), 0755);
  WriteFileText(dir.File("config/quorvex.ini"), "[default]\nShowToolBar=0\n");
  {
    CQuorvexApp app(dir.File("config"));
    StartOptions o;
    o.singleInstance = false;
    ASSERT_EQ(app.InitInstance(o), CQuorvexApp::StartResult::Running);
    EXPECT_FALSE(app.MainFrame()->IsToolBarShown());
    app.MainFrame()->updateActions();
    EXPECT_FALSE(app.MainFrame()->Action(ID_VIEW_TOOLBAR)->isChecked());
    app.MainFrame()->OnCommand(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(app.MainFrame()->IsToolBarShown());
    app.ExitInstance();
  }
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetInt("default", "ShowToolBar", -1), 1);
}

} // namespace
} // namespace qv::test
