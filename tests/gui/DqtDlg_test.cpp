#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "app/DqtFile.h"
#include "gui/CommandIds.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ImageDoc.h"
#include "view/DqtForm.h"
#include "view/ui/DqtDlg.h"
#include "view/ui/DqtPreview.h"

namespace qv::test {
namespace {

QuantTable Standard(int k, int quality) {
  QuantTable t{};
  MakeStandardTable(k, quality, t.data());
  return t;
}

struct JumpError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void OnJpegError(j_common_ptr c) { longjmp(reinterpret_cast<JumpError*>(c->err)->jump, 1); }

// The two tables of a JPEG file as libjpeg reads them (natural order).
// Plain C data only across the jump.
bool ReadTables(const char* path, uint16_t out[2][64]) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  jpeg_decompress_struct cinfo;
  JumpError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  bool ok = cinfo.quant_tbl_ptrs[0] && cinfo.quant_tbl_ptrs[1];
  for (int t = 0; ok && t < 2; ++t)
    for (int i = 0; i < 64; ++i) out[t][i] = cinfo.quant_tbl_ptrs[t]->quantval[i];
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return ok;
}

class DqtDlgTest : public GuiTest {
protected:
  std::unique_ptr<CDqtDialog> Make(const std::vector<DqtSource>& docs = {}) {
    auto dlg = std::make_unique<CDqtDialog>(Frame(), sink, dir.Path(), docs, [this](int t) { topics.push_back(t); });
    const QuantTable start[2] = {Standard(0, 75), Standard(1, 75)};
    dlg->SetTables(start);
    return dlg;
  }
  std::vector<int> topics;
};

TEST_F(DqtDlgTest, opensWithItsTextsAndShowsTheTablesWithTheirQuality) {
  auto dlg = Make();
  EXPECT_EQ(dlg->windowTitle().toStdString(), "カスタム DQT 設定");
  EXPECT_EQ(dlg->QualityLabel(0)->text().toStdString(), QualityLabel(Standard(0, 75)));
  EXPECT_EQ(dlg->QualityLabel(1)->text().toStdString(), QualityLabel(Standard(1, 75)));
  EXPECT_EQ(dlg->MakeButton(0)->text().toStdString(), "作成");
  EXPECT_EQ(dlg->ImportButton()->text().toStdString(), "取込(&G)");
  EXPECT_EQ(dlg->LoadButton()->text().toStdString(), "読み込み(&L)...");
  EXPECT_EQ(dlg->SaveButton()->text().toStdString(), "保存(&S)...");
  EXPECT_EQ(dlg->HelpButton()->text().toStdString(), "&Help...");
  EXPECT_EQ(dlg->PendingTable(), -1);
  EXPECT_TRUE(dlg->Preview(0)->IsReady());
  EXPECT_TRUE(dlg->Scale()->IsReady());
  EXPECT_EQ(dlg->Preview(0)->Picture().pixelIndex(0, 0), 8);
  EXPECT_EQ(dlg->Preview(1)->sizeHint(), QSize(80, 80));
  EXPECT_EQ(dlg->Scale()->sizeHint(), QSize(4, 128));
  bool importLabel = false;
  for (QLabel* l : dlg->findChildren<QLabel*>())
    importLabel |= l->text().toStdString() == "開いている JPEG ファイルからの取り込み(&J)";
  EXPECT_TRUE(importLabel);
  dlg->HelpButton()->click();
  EXPECT_EQ(topics, std::vector<int>{1510});
  dlg->show();
  Settle();
  Screenshot(dlg.get(), "dqt-dialog");
}

TEST_F(DqtDlgTest, makeButtonsMakeTheTableOfTheirQuality) {
  auto dlg = Make();
  dlg->show();
  Type(dlg->QualityEdit(0), "50");
  dlg->MakeButton(0)->click();
  EXPECT_EQ(dlg->Table(0), Standard(0, 50));
  EXPECT_EQ(dlg->Preview(0)->Picture().pixelIndex(0, 0), 16);
  EXPECT_EQ(dlg->QualityLabel(0)->text().toStdString(), QualityLabel(Standard(0, 50)));
  EXPECT_EQ(dlg->PendingTable(), 0);  // the button leaves Enter's table waiting
  Type(dlg->QualityEdit(1), "1");
  dlg->MakeButton(1)->click();
  EXPECT_EQ(dlg->QualityLabel(1)->text().toStdString(), "Qf=0.0");
  // A number edit takes digits only.
  const int before = dlg->Beeps();
  QTest::keyClicks(dlg->QualityEdit(1), "a");
  EXPECT_EQ(dlg->QualityEdit(1)->text().toStdString(), "1");
  EXPECT_EQ(dlg->Beeps(), before + 1);
}

TEST_F(DqtDlgTest, enterMakesThePendingTableAndKeepsTheDialogOpen) {
  auto dlg = Make();
  dlg->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
  Type(dlg->QualityEdit(1), "90");
  EXPECT_EQ(dlg->PendingTable(), 1);
  QTest::keyClick(dlg->QualityEdit(1), Qt::Key_Return);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->result(), 0);
  EXPECT_EQ(dlg->Table(1), Standard(1, 90));
  EXPECT_EQ(dlg->Table(0), Standard(0, 75));
  EXPECT_EQ(dlg->PendingTable(), -1);
  // Again: nothing is pending, nothing changes, the dialog stays.
  const QuantTable made = dlg->Table(1);
  QTest::keyClick(dlg->QualityEdit(1), Qt::Key_Return);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->Table(1), made);
  // Only the OK button closes with OK.
  dlg->OkButton()->click();
  EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(DqtDlgTest, importTakesTheTablesOfTheChosenOpenJpegAndBeepsWithoutOne) {
  CDocument* a = Open(Photo("b-photo.jpg", 64, 48, 2));
  CDocument* b = Open(Photo("A-photo.jpg", 64, 48, 3));
  ASSERT_TRUE(a && b);
  a->Doc().m_dqt[0] = Standard(0, 20);
  a->Doc().m_dqt[1] = Standard(1, 30);
  auto empty = Make();
  empty->ImportButton()->click();
  EXPECT_EQ(empty->Beeps(), 1);

  auto dlg = Make(App().DqtSources());
  ASSERT_EQ(dlg->ImportList()->count(), 2);
  EXPECT_EQ(dlg->ImportList()->itemText(0).toStdString(), "A-photo.jpg");
  EXPECT_EQ(dlg->ImportList()->itemText(1).toStdString(), "b-photo.jpg");
  EXPECT_EQ(dlg->ImportList()->currentIndex(), -1);
  dlg->ImportButton()->click();  // nothing chosen yet
  EXPECT_EQ(dlg->Beeps(), 1);
  EXPECT_EQ(dlg->Table(0), Standard(0, 75));
  dlg->ImportList()->setCurrentIndex(1);
  dlg->ImportButton()->click();
  EXPECT_EQ(dlg->Table(0), Standard(0, 20));
  EXPECT_EQ(dlg->Table(1), Standard(1, 30));
  EXPECT_EQ(dlg->QualityLabel(1)->text().toStdString(), QualityLabel(Standard(1, 30)));
}

TEST_F(DqtDlgTest, loadAndSaveGoThroughTheirFileDialogs) {
  auto dlg = Make();
  dlg->show();
  SeenFileDialog seen;
  const std::string saved = dir.File("tables.dqt");
  AnswerFileDialog(saved, &seen);
  dlg->SaveButton()->click();
  EXPECT_EQ(seen.title, "DQT ファイルの保存");
  EXPECT_EQ(seen.filters, (QStringList{"DQT file(*.dqt,*.csv,*.txt) (*.dqt *.csv *.txt)", "All files(*.*) (*.*)"}));
  EXPECT_EQ(seen.folder, dir.Path());
  uint16_t values[128];
  ASSERT_EQ(ReadDqtFile(saved, values), 128);
  EXPECT_EQ(values[0], Standard(0, 75)[0]);
  EXPECT_EQ(values[64], Standard(1, 75)[0]);

  std::string text;
  for (int i = 0; i < 128; ++i) text += std::to_string(300 + i) + ",";  // no range check
  WriteFileText(dir.File("big.csv"), text);
  AnswerFileDialog(dir.File("big.csv"), &seen);
  dlg->LoadButton()->click();
  EXPECT_EQ(seen.title, "DQT ファイルを開く");
  EXPECT_EQ(dlg->Table(0)[0], 300);
  EXPECT_EQ(dlg->Table(1)[63], 427);
  EXPECT_EQ(dlg->Preview(1)->Picture().pixelIndex(7, 7), 427 & 0xFF);

  // Too short: silently ignored.
  WriteFileText(dir.File("short.txt"), "1,2,3\n");
  AnswerFileDialog(dir.File("short.txt"), nullptr);
  dlg->LoadButton()->click();
  EXPECT_EQ(dlg->Table(0)[0], 300);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DqtDlgTest, theDocumentCommandEditsACopyThatOnlyOkCopiesBack) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48, 4));
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(Enabled(ID_CUSTOM_DQT_EDIT));
  doc->Doc().m_bCustomDqt = 0;
  const QuantTable before[2] = {doc->Doc().m_dqt[0], doc->Doc().m_dqt[1]};
  WhenModal<CDqtDialog>([](CDqtDialog& dlg) {
    Type(dlg.QualityEdit(0), "10");
    dlg.MakeButton(0)->click();
    dlg.CancelButton()->click();
  });
  Trigger(ID_CUSTOM_DQT_EDIT);
  EXPECT_EQ(doc->Doc().m_dqt[0], before[0]);
  EXPECT_EQ(doc->Doc().m_dqt[1], before[1]);
  EXPECT_EQ(doc->Doc().m_bCustomDqt, 1);  // switched on however the dialog ends
  Frame()->updateActions();
  EXPECT_TRUE(Frame()->Action(ID_CUSTOM_DQT_TOGGLE)->isChecked());

  // Distinct tables from a file, then saved: the JPEG carries exactly them.
  std::string text;
  for (int i = 0; i < 128; ++i) text += std::to_string(2 + i) + ",";
  WriteFileText(dir.File("mine.dqt"), text);
  WhenModal<CDqtDialog>([this](CDqtDialog& dlg) {
    AnswerFileDialog(dir.File("mine.dqt"), nullptr);
    dlg.LoadButton()->click();
    dlg.OkButton()->click();
  });
  Trigger(ID_CUSTOM_DQT_EDIT);
  EXPECT_EQ(doc->Doc().m_dqt[0][0], 2);
  EXPECT_EQ(doc->Doc().m_dqt[1][63], 129);
  const std::string out = dir.File("custom.jpg");
  ASSERT_EQ(doc->OnSaveDocument(out), 1);
  uint16_t tables[2][64];
  ASSERT_TRUE(ReadTables(out.c_str(), tables));
  for (int t = 0; t < 2; ++t)
    for (int i = 0; i < 64; ++i) EXPECT_EQ(tables[t][i], doc->Doc().m_dqt[t][i]) << t << " " << i;
}

} // namespace
} // namespace qv::test
