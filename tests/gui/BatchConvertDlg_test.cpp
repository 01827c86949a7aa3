#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "app/Profile.h"
#include "gui/CommandIds.h"
#include "gui/BatchHost.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "batch/BatchSettings.h"
#include "batch/ui/BatchConvertDlg.h"

namespace qv::test {
namespace {

class BatchConvertDlgTest : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    Frame()->BatchTimer()->stop();
    ::mkdir(dir.File("in").c_str(), 0755);
    ::mkdir(dir.File("out").c_str(), 0755);
    ::mkdir(dir.File("config").c_str(), 0755);
    for (const char* n : {"c.jif", "B.jpeg", "a.JPG", "d.png", "e.jpg"}) Photo(std::string("in/") + n, 32, 24);
    CProfile& p = App().App().Profile();
    p.WriteString(kSectionBulkConv, "SrcDirectory", dir.File("in"));
    p.WriteString(kSectionBulkConv, "DstDirectory", dir.File("out"));
    p.WriteString(kSectionBulkConv, "FileSeqNo", "0005");
    ASSERT_TRUE(p.WriteInt(kSectionBulkConv, "JpegQuality", 60));
  }
  static std::vector<std::string> Listed(CBatchConvertDlg& dlg) {
    std::vector<std::string> names;
    for (int i = 0; i < dlg.FileList()->count(); ++i) {
      const QListWidgetItem* item = dlg.FileList()->item(i);
      names.push_back((item->checkState() == Qt::Checked ? "+" : "-") + item->text().toStdString());
    }
    return names;
  }
};

TEST_F(BatchConvertDlgTest, opensWithTheSavedFieldsAndTheTickedFileList) {
  CBatchConvertDlg dlg(App().App(), Frame());
  EXPECT_EQ(dlg.windowTitle().toStdString(), "Batch Convert");
  EXPECT_EQ(dlg.InputEdit()->text().toStdString(), dir.File("in"));
  EXPECT_EQ(dlg.SeqEdit()->text().toStdString(), "0005");
  EXPECT_EQ(dlg.QualityText()->text().toStdString(), "60");
  EXPECT_EQ(dlg.QualityBar()->value(), 60);
  EXPECT_EQ(App().App().m_settings.Param1, 60);
  EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"+a.JPG", "+B.jpeg", "+e.jpg"}));
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  Screenshot(&dlg, "batch-convert-dialog");
}

TEST_F(BatchConvertDlgTest, theUpDownControlMovesTheSelectedEntryWithItsTick) {
  CBatchConvertDlg dlg(App().App(), Frame());
  dlg.FileList()->item(2)->setCheckState(Qt::Unchecked);
  dlg.FileList()->setCurrentRow(2);
  dlg.MoveSelected(true);
  EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"+a.JPG", "-e.jpg", "+B.jpeg"}));
  EXPECT_EQ(dlg.FileList()->currentRow(), 1);
  dlg.MoveSelected(true);
  dlg.MoveSelected(true);  // already at the top
  EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"-e.jpg", "+a.JPG", "+B.jpeg"}));
}

TEST_F(BatchConvertDlgTest, okWithNothingTickedStaysOpen) {
  CBatchConvertDlg dlg(App().App(), Frame());
  for (int i = 0; i < dlg.FileList()->count(); ++i) dlg.FileList()->item(i)->setCheckState(Qt::Unchecked);
  dlg.show();
  dlg.OkButton()->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.HasRun());
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "No check files!      \n");
  EXPECT_EQ(sink.messages[0].caption, "Batch Convert");
}

TEST_F(BatchConvertDlgTest, okHandsTheTickedFilesInListOrderToTheRun) {
  CBatchConvertDlg dlg(App().App(), Frame());
  dlg.FileList()->item(1)->setCheckState(Qt::Unchecked);
  dlg.FileList()->setCurrentRow(2);
  dlg.MoveSelected(true);
  dlg.QualityBar()->setValue(88);
  dlg.show();
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  ASSERT_TRUE(dlg.HasRun());
  EXPECT_EQ(dlg.Request().files, (std::vector<std::string>{"a.JPG", "e.jpg"}));
  EXPECT_EQ(dlg.Request().firstSeqNo, 5);
  EXPECT_EQ(App().App().m_settings.Param1, 88);
  EXPECT_EQ(App().App().Profile().GetInt(kSectionBulkConv, "JpegQuality", 0), 88);
}

TEST_F(BatchConvertDlgTest, theDefaultButtonRestoresTheDefaults) {
  CBatchConvertDlg dlg(App().App(), Frame());
  dlg.DefaultButton()->click();
  const CBatchSettings defaults;
  EXPECT_EQ(dlg.InputEdit()->text().toStdString(), defaults.SrcDirectory);
  EXPECT_EQ(dlg.OutputEdit()->text().toStdString(), defaults.DstDirectory);
  EXPECT_EQ(dlg.SeqEdit()->text().toStdString(), "0001");
  EXPECT_EQ(dlg.QualityText()->text().toStdString(), "75");
}

TEST_F(BatchConvertDlgTest, theBatchCommandRunsTheDialogAndStartsTheRun) {
  bool seen = false;
  QTimer::singleShot(50, [&] {
    if (auto* dlg = qobject_cast<CBatchConvertDlg*>(QApplication::activeModalWidget())) {
      seen = true;
      dlg->OkButton()->click();
    }
  });
  Trigger(ID_BATCH_CONVERT);
  ASSERT_TRUE(seen);
  EXPECT_EQ(App().BatchHost().Run().batchState, 1);
  EXPECT_EQ(App().BatchHost().Run().batchTotal, 3);
  Frame()->BatchTimer()->start(10);
  for (int i = 0; i < 300 && App().BatchHost().Run().batchState != 0; ++i) Settle(20);
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  for (const char* n : {"Imag0005.jpg", "Imag0006.jpg", "Imag0007.jpg"}) EXPECT_TRUE(FileExists(dir.File("out/") + n)) << n;
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, "3 files converted.      ");
}

TEST_F(BatchConvertDlgTest, cancelStartsNothing) {
  QTimer::singleShot(50, [] {
    if (auto* dlg = qobject_cast<CBatchConvertDlg*>(QApplication::activeModalWidget())) dlg->reject();
  });
  Trigger(ID_BATCH_CONVERT);
  EXPECT_EQ(App().BatchHost().Run().batchState, 0);
  EXPECT_EQ(App().App().Profile().GetInt(kSectionBulkConv, "JpegQuality", 0), 60);
}

} // namespace
} // namespace qv::test
