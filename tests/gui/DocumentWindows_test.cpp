// Document windows as a user handles them: their close keys, the main
// caption while one is maximised, and "&Layer".
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTest>

#include "GuiFixture.h"
#include "X11Support.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/Document.h"
#include "gui/ImageView.h"
#include "gui/DocTemplate.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"

namespace qv::test {
namespace {

class DocumentWindowsTest : public GuiTest {
protected:
  // Types the key into the view that has the focus, as a user does.
  void PressInView(CDocument* doc, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    Frame()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Frame(), 3000));
    ViewOf(doc)->setFocus();
    QTest::keyClick(ViewOf(doc), key, modifiers);
    Settle();
  }
  int TitleBarHeight(QMdiSubWindow* w) {
    QStyleOptionTitleBar option;
    option.initFrom(w);
    return w->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, w);
  }
};

TEST_F(DocumentWindowsTest, ctrlF4ClosesTheActiveDocumentWindowOnEveryPlatform) {
  CDocument* a = Open(Photo("a.jpg", 64, 48));
  CDocument* b = Open(Photo("b.jpg", 64, 48));
  CDocument* c = Open(Photo("c.jpg", 64, 48));
  ASSERT_EQ(Frame()->ActiveDocument(), c);
  PressInView(c, Qt::Key_F4, Qt::ControlModifier);
  ASSERT_EQ(DocumentCount(), 2);
  // Only the active window closes, whichever follows.
  CDocument* next = Frame()->ActiveDocument();
  ASSERT_TRUE(next == a || next == b);
  PressInView(next, Qt::Key_F4, Qt::ControlModifier);
  ASSERT_EQ(DocumentCount(), 1);
  CDocument* last = next == a ? b : a;
  EXPECT_EQ(App().Template().Documents()[0], last);
  // The platform's own close key still works beside it.
  PressInView(last, Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(DocumentCount(), 0);
}

TEST_F(DocumentWindowsTest, theSystemMenuNamesCtrlF4ForClose) {
  CDocument* a = Open(Photo("a.jpg", 64, 48));
  QAction* close = FrameOf(a)->SystemMenuClose();
  ASSERT_NE(close, nullptr);
  ASSERT_FALSE(close->shortcuts().isEmpty());
  EXPECT_EQ(close->shortcuts().front(), QKeySequence(Qt::CTRL | Qt::Key_F4));
  EXPECT_TRUE(close->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W)));
}

TEST_F(DocumentWindowsTest, aMaximisedWindowPutsItsTitleIntoTheCaptionOnceInBrackets) {
  CDocument* x = Open(Photo("X.jpg", 64, 48));
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - X.jpg");
  FrameOf(x)->showMaximized();
  Settle();
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - [X.jpg]");
  if (OnX11()) {  // what the window manager is given to show
    EXPECT_EQ(XTextProperty(XWindowOf(Frame()), "_NET_WM_NAME").value_or("(missing)"), QByteArray("Quorvex - [X.jpg]"));
  }
  Screenshot(Frame(), "main-maximised-child");
  if (WindowManagerRunning() && SyncWithWindowManager()) ScreenShotOfScreen("x11-main-maximised-child", Frame()->frameGeometry());

  // Another window opened meanwhile is maximised too; the caption follows.
  CDocument* y = Open(Photo("Y.jpg", 64, 48));
  ASSERT_EQ(Frame()->ActiveDocument(), y);
  EXPECT_TRUE(FrameOf(y)->isMaximized());
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - [Y.jpg]");
  y->MarkModified(true);
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - [Y.jpg *]");
  y->MarkModified(false);

  FrameOf(y)->showNormal();
  Settle();
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex - Y.jpg");
  Trigger(ID_CLOSE_ALL);
  EXPECT_EQ(Frame()->windowTitle().toStdString(), "Quorvex");
}

TEST_F(DocumentWindowsTest, layerCascadesTheWindowsAtTheFrameworksSize) {
  Frame()->resize(1000, 720);
  Settle();
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Open(Photo(n, 64, 48));
  CDocument* active = Frame()->ActiveDocument();
  Trigger(ID_WINDOW_CASCADE);
  const QSize area = Frame()->MdiArea()->viewport()->size();
  const auto windows = Frame()->MdiArea()->subWindowList(QMdiArea::StackingOrder);
  ASSERT_EQ(windows.size(), 3);
  const int step = TitleBarHeight(windows.front());
  for (int i = 0; i < windows.size(); ++i) {
    const QRect g = windows[i]->geometry();
    // Most of the area, never the size hints' small windows.
    EXPECT_GE(g.width() * 3, area.width() * 2) << i;
    EXPECT_GE(g.height() * 3, area.height() * 2) << i;
    EXPECT_EQ(g.topLeft(), QPoint(i * step, i * step)) << i;
    EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(g)) << i;
  }
  // The active window stays on top and active.
  EXPECT_EQ(windows.back(), FrameOf(active));
  EXPECT_EQ(Frame()->ActiveDocument(), active);
  Screenshot(Frame(), "main-three-layered");
}

TEST_F(DocumentWindowsTest, layerRestoresAMaximisedWindowAndWrapsTheStagger) {
  Frame()->resize(1000, 720);
  Settle();
  for (int i = 0; i < 12; ++i) Open(Photo("p" + std::to_string(i) + ".jpg", 32, 24));
  FrameOf(Frame()->ActiveDocument())->showMaximized();
  Settle();
  Trigger(ID_WINDOW_CASCADE);
  const QSize area = Frame()->MdiArea()->viewport()->size();
  const auto windows = Frame()->MdiArea()->subWindowList(QMdiArea::StackingOrder);
  const int step = TitleBarHeight(windows.front());
  const int places = area.height() / (3 * step) + 1;
  for (int i = 0; i < windows.size(); ++i) {
    EXPECT_FALSE(windows[i]->isMaximized()) << i;
    const int k = i % places;
    EXPECT_EQ(windows[i]->geometry().topLeft(), QPoint(k * step, k * step)) << i;
    EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(windows[i]->geometry())) << i;
  }
  EXPECT_EQ(Frame()->windowTitle().toStdString().find('['), std::string::npos);
}

} // namespace
} // namespace qv::test
