// The Batch Convert dialog when the run would replace device files already
// in the output folder: replace them, number after them, or convert nothing.
#include <QPushButton>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "app/Profile.h"
#include "batch/BatchSettings.h"
#include "batch/ui/BatchConvertDlg.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"

namespace qv::test {
namespace {

class ReplaceQuestionTest : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    ::mkdir(dir.File("in").c_str(), 0755);
    ::mkdir(dir.File("out").c_str(), 0755);
    ::mkdir(dir.File("config").c_str(), 0755);
    for (const char* n : {"a.jpg", "b.jpg"}) Photo(std::string("in/") + n, 32, 24);
    for (const char* n : {"Imag0001.jpg", "Imag0007.jpg"}) WriteFileText(dir.File("out/") + n, "an earlier run's file");
    CProfile& p = App().App().Profile();
    p.WriteString(kSectionBulkConv, "SrcDirectory", dir.File("in"));
    p.WriteString(kSectionBulkConv, "DstDirectory", dir.File("out"));
    ASSERT_TRUE(p.WriteString(kSectionBulkConv, "FileSeqNo", "0001"));
  }
  // OK with the question answered `answer`; the dialog's outcome.
  bool Ok(int answer, CBatchConvertDlg& dlg) {
    sink.answer = answer;
    dlg.show();
    dlg.OkButton()->click();
    return dlg.HasRun();
  }
};

TEST_F(ReplaceQuestionTest, theQuestionNamesWhatWouldBeReplaced) {
  CBatchConvertDlg dlg(App().App(), Frame());
  Ok(IDCANCEL, dlg);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].style & 0xF, static_cast<unsigned>(MB_YESNOCANCEL));
  EXPECT_EQ(sink.messages[0].caption, "Batch Convert");
  EXPECT_NE(sink.messages[0].text.find("1 files of the output directory would be replaced, the first being Imag0001.jpg"),
            std::string::npos)
      << sink.messages[0].text;
  EXPECT_NE(sink.messages[0].text.find("No: number after Imag0007.jpg"), std::string::npos);
}

TEST_F(ReplaceQuestionTest, yesReplacesNoNumbersAfterTheHighestCancelConvertsNothing) {
  {
    CBatchConvertDlg dlg(App().App(), Frame());
    ASSERT_TRUE(Ok(IDYES, dlg));
    EXPECT_EQ(dlg.Request().firstSeqNo, 1);
  }
  {
    CBatchConvertDlg dlg(App().App(), Frame());
    ASSERT_TRUE(Ok(IDNO, dlg));
    EXPECT_EQ(dlg.Request().firstSeqNo, 8);
    EXPECT_EQ(dlg.Request().files, (std::vector<std::string>{"a.jpg", "b.jpg"}));
  }
  {
    CBatchConvertDlg dlg(App().App(), Frame());
    EXPECT_FALSE(Ok(IDCANCEL, dlg));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);  // closed, with no run
  }
  EXPECT_EQ(ReadFileText(dir.File("out/Imag0001.jpg")), "an earlier run's file");
}

} // namespace
} // namespace qv::test
