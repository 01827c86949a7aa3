// The progress dialog of a real batch run, the main window that owns it,
// and files that fail to open while the run goes on.
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <sys/stat.h>

#include "BatchRunFixture.h"
#include "X11Support.h"
#include "batch/BatchEngine.h"
#include "batch/BatchSettings.h"
#include "batch/ui/ProgressDlg.h"
#include "gui/BatchHost.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"

namespace qv::test {
namespace {

class BatchProgressTest : public BatchRunFixture {
protected:
  void Start(int files) {
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    BatchRunFixture::Start(names);
  }
  std::string Broken(const std::string& name) {
    const std::string path = dir.File(name);
    WriteFileText(path, "this is no picture");
    return path;
  }
  std::vector<std::string> LoadErrorTexts() {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : sink.messages)
      if (m.caption == "JPEG File Load") texts.push_back(m.text);
    return texts;
  }
};

TEST_F(BatchProgressTest, theDialogBelongsToTheMainWindowWithoutBlockingIt) {
  Start(2);
  Tick();  // Start
  ASSERT_NE(Progress(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Progress()));
  EXPECT_EQ(Progress()->parentWidget(), Frame());
  EXPECT_TRUE(Progress()->isWindow());
  EXPECT_EQ(Progress()->windowType(), Qt::Dialog);
  EXPECT_FALSE(Progress()->isModal());
  ASSERT_NE(Progress()->windowHandle(), nullptr);
  EXPECT_EQ(Progress()->windowHandle()->transientParent(), Frame()->windowHandle());
  EXPECT_TRUE(Frame()->isEnabled());  // the main window still takes input
  // An empty caption, on a caption bar without buttons.
  EXPECT_TRUE(Progress()->windowTitle().isEmpty());
  EXPECT_TRUE(Progress()->windowHandle()->title().isEmpty());
  EXPECT_TRUE(Progress()->windowFlags() & Qt::WindowTitleHint);
  EXPECT_FALSE(Progress()->windowFlags() &
               (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
  // Shown again after every step: still the main window's.
  Tick();
  EXPECT_EQ(Progress()->windowHandle()->transientParent(), Frame()->windowHandle());
}

TEST_F(BatchProgressTest, aBrokenFileOpenedDuringARunIsReportedWhenTheRunEnds) {
  Start(2);
  Tick();  // Start
  Tick();  // p0.jpg
  const std::string broken = Broken("broken.jpg");
  App().OpenFiles({broken});
  EXPECT_TRUE(LoadErrorTexts().empty());  // the run's boxes only, meanwhile
  for (int i = 0; i < 10 && App().BatchHost().Run().batchState != 0; ++i) Tick();
  ASSERT_EQ(App().BatchHost().Run().batchState, 0);
  const std::vector<std::string> errors = LoadErrorTexts();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(broken), std::string::npos);
  EXPECT_EQ(errors[0].find("Skip convert."), std::string::npos);  // not one of the run's
  // After the count message, and only once.
  EXPECT_EQ(sink.messages.back().caption, "JPEG File Load");
  EXPECT_EQ(sink.messages[sink.messages.size() - 2].text, "2 files converted.      ");
  Tick();
  EXPECT_EQ(LoadErrorTexts().size(), 1u);
  EXPECT_EQ(App().PendingLoadErrors(), 0u);
}

TEST_F(BatchProgressTest, severalBrokenFilesDuringARunAreAllReportedInTheirOrder) {
  Start(3);
  Frame()->BatchTimer()->start(10);  // the program's own timer drives the run
  ASSERT_TRUE(QTest::qWaitFor([&] { return Progress() != nullptr; }, 5000));
  const std::string one = Broken("one.jpg"), two = Broken("two.jpg");
  App().OpenFiles({one});
  App().OpenFiles({two});
  EXPECT_EQ(App().PendingLoadErrors(), 2u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return App().BatchHost().Run().Idle() && App().PendingLoadErrors() == 0; },
                              10000));
  const std::vector<std::string> errors = LoadErrorTexts();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[0].find(one), std::string::npos);
  EXPECT_NE(errors[1].find(two), std::string::npos);
  EXPECT_TRUE(FileExists(dir.File("out/Imag0003.jpg")));
}

// Under X11 with a window manager: what the user sees.

class BatchProgressX11Test : public BatchProgressTest {
protected:
  void SetUp() override {
    if (!OnX11()) GTEST_SKIP() << "needs the X11 platform";
    BatchProgressTest::SetUp();
  }
  bool NeedWindowManager() { return WindowManagerRunning(); }
  // Waits until the window manager stacks both windows.
  bool BothManaged(unsigned a, unsigned b) {
    return QTest::qWaitFor([&] { return XStackingIndex(a) >= 0 && XStackingIndex(b) >= 0; }, 5000);
  }
};

TEST_F(BatchProgressX11Test, theServerKnowsTheDialogAsTheMainWindowsTransient) {
  Start(1);
  Tick();
  ASSERT_NE(Progress(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Progress()));
  const std::vector<unsigned> owner = XListProperty(XWindowOf(Progress()), "WM_TRANSIENT_FOR");
  ASSERT_EQ(owner.size(), 1u);
  EXPECT_EQ(owner[0], XWindowOf(Frame()));
}

TEST_F(BatchProgressX11Test, theWindowManagerIsToldAnEmptyCaption) {
  Start(1);
  Tick();
  ASSERT_NE(Progress(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Progress()));
  const unsigned id = XWindowOf(Progress());
  // Qt would have written the program's name here.
  EXPECT_EQ(XTextProperty(id, "_NET_WM_NAME").value_or("(missing)"), QByteArray());
  EXPECT_EQ(XTextProperty(id, "WM_NAME").value_or("(missing)"), QByteArray());
  if (!NeedWindowManager()) return;
  ASSERT_TRUE(BothManaged(id, XWindowOf(Frame())));
  // What the window manager draws, when it says.
  EXPECT_EQ(XTextProperty(id, "_NET_WM_VISIBLE_NAME").value_or(QByteArray()), QByteArray());
  Settle(100);
  ScreenShotOfScreen("x11-progress-caption", Frame()->frameGeometry());
}

TEST_F(BatchProgressX11Test, theDialogStaysAboveTheMainWindowWhenTheMainWindowIsRaised) {
  if (!NeedWindowManager()) GTEST_SKIP() << "needs a window manager";
  Start(3);
  Tick();  // Start
  ASSERT_NE(Progress(), nullptr);
  const unsigned dlg = XWindowOf(Progress()), main = XWindowOf(Frame());
  ASSERT_TRUE(BothManaged(dlg, main));
  ASSERT_TRUE(QTest::qWaitFor([&] { return XStackingIndex(dlg) > XStackingIndex(main); }, 5000));
  for (int round = 0; round < 3; ++round) {
    // A click on the main window makes the window manager raise it.
    Frame()->raise();
    ASSERT_TRUE(SyncWithWindowManager()) << round;
    EXPECT_GT(XStackingIndex(dlg), XStackingIndex(main)) << round;
    Frame()->activateWindow();
    Tick();  // a step shows the dialog again
    ASSERT_TRUE(SyncWithWindowManager()) << round;
    EXPECT_GT(XStackingIndex(dlg), XStackingIndex(main)) << round;
  }
  ScreenShotOfScreen("x11-progress-above-main", Frame()->frameGeometry());
}

} // namespace
} // namespace qv::test
