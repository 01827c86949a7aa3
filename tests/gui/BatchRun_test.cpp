#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

#include "BatchRunFixture.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "batch/BatchEngine.h"
#include "batch/BatchSettings.h"
#include "gui/BatchHost.h"
#include "batch/ui/ProgressDlg.h"

namespace qv::test {
namespace {

class BatchRunTest : public BatchRunFixture {
protected:
  CDocument* WorkDocument() {
    for (CDocument* d : App().Template().Documents())
      if (d->Title().rfind("Converted Image View", 0) == 0) return d;
    return nullptr;
  }
};

TEST_F(BatchRunTest, aRunShowsTheWorkingWindowAndProgressThenReportsTheCount) {
  Start({"a.jpg", "b.jpg"});
  Tick();  // Start
  CDocument* work = WorkDocument();
  ASSERT_NE(work, nullptr);
  EXPECT_EQ(work->Title(), "Converted Image View 1");
  EXPECT_TRUE(FrameOf(work)->IsCloseGreyed());
  EXPECT_FALSE(FrameOf(work)->windowFlags() & Qt::WindowCloseButtonHint);
  ASSERT_NE(Progress(), nullptr);
  EXPECT_TRUE(Progress()->isVisible());
  EXPECT_EQ(Progress()->TitleLine()->text().toStdString(), "Converting...");
  EXPECT_EQ(Progress()->AbortButton()->text().toStdString(), "&Abort");
  EXPECT_FALSE(Enabled(ID_BATCH_CONVERT));
  EXPECT_FALSE(Enabled(ID_APP_ABOUT));

  Tick();  // a.jpg
  EXPECT_EQ(Progress()->CounterLine()->text().toStdString(), "1 / 2");
  EXPECT_EQ(Progress()->FileLine()->text().toStdString(), "a.jpg");
  EXPECT_EQ(Progress()->Bar()->value(), 1);
  EXPECT_TRUE(FileExists(dir.File("out/Imag0001.jpg")));
  EXPECT_EQ(work->Doc().m_strDescription, "1024x640 Modified Image");
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), "1024x640 Modified Image");
  Screenshot(Frame(), "batch-working-window");
  Screenshot(Progress(), "batch-progress");

  // A window opened during the run can be closed as usual.
  CDocument* other = Open(Photo("other.jpg", 40, 30));
  EXPECT_FALSE(FrameOf(other)->IsCloseGreyed());

  Tick();  // b.jpg
  Tick();  // done: CloseProgress next
  Tick();
  EXPECT_EQ(Progress(), nullptr);
  Tick();  // Report
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, "2 files converted.      ");
  EXPECT_EQ(sink.messages.back().caption, "Batch Convert");
  Tick();  // Finish
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  EXPECT_EQ(WorkDocument(), nullptr);
  EXPECT_EQ(DocumentCount(), 1);
  EXPECT_EQ(Frame()->InfoPaneText().toStdString(), " ");
  EXPECT_TRUE(Enabled(ID_BATCH_CONVERT));
}

TEST_F(BatchRunTest, theWorkingWindowRefusesToCloseDuringTheRun) {
  Start({"a.jpg"});
  Tick();
  CDocument* work = WorkDocument();
  ASSERT_NE(work, nullptr);
  EXPECT_FALSE(Enabled(ID_FILE_CLOSE));
  FrameOf(work)->close();
  Settle();
  EXPECT_EQ(WorkDocument(), work);
  EXPECT_FALSE(work->OnCloseDocument());
  EXPECT_EQ(DocumentCount(), 1);
}

TEST_F(BatchRunTest, closeAllDuringARunKeepsTheWorkingWindowAndEndsTheRunWithTheCount) {
  Start({"a.jpg", "b.jpg", "c.jpg"});
  Open(Photo("x.jpg", 40, 30));
  Tick();  // Start
  Tick();  // a.jpg
  Trigger(ID_CLOSE_ALL);
  ASSERT_EQ(DocumentCount(), 1);
  EXPECT_NE(WorkDocument(), nullptr);
  for (int i = 0; i < 5 && App().BatchHost().Run().batchState != 0; ++i) Tick();
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, "1 files converted.      ");
  EXPECT_EQ(DocumentCount(), 0);
}

TEST_F(BatchRunTest, abortEndsTheRunAfterTheCurrentFileWithTheCount) {
  Start({"a.jpg", "b.jpg", "c.jpg"});
  Tick();
  Tick();  // a.jpg
  Progress()->AbortButton()->click();
  EXPECT_TRUE(Progress()->AbortRequested());
  EXPECT_FALSE(Progress()->isVisible());
  Tick();  // sees the flag: shown once more, then closed
  for (int i = 0; i < 5 && App().BatchHost().Run().batchState != 0; ++i) Tick();
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, "1 files converted.      ");
  EXPECT_FALSE(FileExists(dir.File("out/Imag0002.jpg")));
}

TEST_F(BatchRunTest, aSourceThatDoesNotLoadIsReportedAndSkipped) {
  WriteFileText(dir.File("in/broken.jpg"), "no picture");
  Start({"broken.jpg", "b.jpg"});
  for (int i = 0; i < 10 && App().BatchHost().Run().batchState != 0; ++i) Tick();
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].caption, "JPEG File Load");
  EXPECT_NE(sink.messages[0].text.find("\nSkip convert."), std::string::npos);
  EXPECT_EQ(sink.messages[1].text, "1 files converted.      ");
  EXPECT_FALSE(FileExists(dir.File("out/Imag0001.jpg")));
  EXPECT_TRUE(FileExists(dir.File("out/Imag0002.jpg")));
}

TEST_F(BatchRunTest, theTimerDrivesARunToItsEnd) {
  Start({"a.jpg"});
  Frame()->BatchTimer()->start(10);
  for (int i = 0; i < 300 && App().BatchHost().Run().batchState != 0; ++i) Settle(20);
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  EXPECT_TRUE(FileExists(dir.File("out/Imag0001.jpg")));
  EXPECT_EQ(DocumentCount(), 0);
}

TEST_F(BatchRunTest, closingTheMainWindowDuringARunEndsItAndClosesEverything) {
  Start({"a.jpg", "b.jpg"});
  Tick();
  Tick();
  ASSERT_NE(Progress(), nullptr);
  Frame()->close();
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  EXPECT_EQ(Progress(), nullptr);
  EXPECT_EQ(DocumentCount(), 0);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->metaObject()->className();
}

TEST(ProgressDialog, centresOverAWindow) {
  QWidget w;
  w.setGeometry(100, 100, 401, 301);
  w.show();
  CProgressDlg dlg;
  dlg.show();
  dlg.CentreOver(&w);
  const QRect a = w.frameGeometry(), b = dlg.frameGeometry();
  EXPECT_EQ(b.x(), a.x() + (a.width() - b.width()) / 2);
  EXPECT_EQ(b.y(), a.y() + (a.height() - b.height()) / 2);
}

} // namespace
} // namespace qv::test
