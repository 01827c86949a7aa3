// The Batch Convert dialog's folder checks as the user meets them: one
// folder by two names, and names with characters that Linux allows.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

#include "GuiFixture.h"
#include "batch/ui/BatchConvertDlg.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"

namespace qv::test {
namespace {

const char kSameFolder[] = "Input and Output is same directory.    ";

class BatchFoldersTest : public GuiTest {
protected:
  // Runs OK on the dialog with these folders; the dialog's answer.
  bool Ok(CBatchConvertDlg& dlg, const std::string& in, const std::string& out) {
    dlg.InputEdit()->setText(QString::fromStdString(in));
    dlg.OutputEdit()->setText(QString::fromStdString(out));
    dlg.show();
    dlg.OkButton()->click();
    Settle();
    return dlg.HasRun();
  }
  bool Said(const std::string& text) {
    for (const RecordedMessage& m : sink.messages)
      if (m.text == text) return true;
    return false;
  }
};

TEST_F(BatchFoldersTest, inAndINThatAreTwoFoldersAreAccepted) {
  ::mkdir(dir.File("x").c_str(), 0755);
  ::mkdir(dir.File("x/IN").c_str(), 0755);
  ::mkdir(dir.File("x/in").c_str(), 0755);
  Photo("x/IN/a.jpg", 32, 24);
  CBatchConvertDlg dlg(App().App(), Frame());
  EXPECT_TRUE(Ok(dlg, dir.File("x/IN"), dir.File("x/in")));
  EXPECT_FALSE(Said(kSameFolder));
  EXPECT_EQ(dlg.Request().files, std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(dlg.Request().dstDir, dir.File("x/in"));
}

TEST_F(BatchFoldersTest, inAndINThatAreOneFolderAreRefused) {
  ::mkdir(dir.File("x").c_str(), 0755);
  ::mkdir(dir.File("x/IN").c_str(), 0755);
  ASSERT_EQ(::symlink("IN", dir.File("x/in").c_str()), 0);  // the same folder by another name
  Photo("x/IN/a.jpg", 32, 24);
  CBatchConvertDlg dlg(App().App(), Frame());
  EXPECT_FALSE(Ok(dlg, dir.File("x/IN"), dir.File("x/in")));
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, kSameFolder);
  EXPECT_EQ(sink.messages.back().caption, "Batch Convert");
  EXPECT_TRUE(dlg.isVisible());  // stays open for another try
  // The same folder written another way is the same folder too.
  sink.messages.clear();
  EXPECT_FALSE(Ok(dlg, dir.File("x/IN"), dir.File("x/IN/")));
  EXPECT_TRUE(Said(kSameFolder));
}

TEST_F(BatchFoldersTest, folderNamesWithCharactersLinuxAllowsAreAccepted) {
  const std::string in = dir.File("in: \"2024\" <a|b>");
  ::mkdir(in.c_str(), 0755);
  Photo(in.substr(dir.Path().size() + 1) + "/a.jpg", 32, 24);
  const std::string out = dir.File("out*?");
  sink.answer = IDYES;  // create the output folder
  CBatchConvertDlg dlg(App().App(), Frame());
  dlg.InputEdit()->setText(QString::fromStdString(in));
  ASSERT_EQ(dlg.FileList()->count(), 1);
  EXPECT_TRUE(Ok(dlg, in, out));
  for (const RecordedMessage& m : sink.messages) EXPECT_EQ(m.text.find("invalid expression"), std::string::npos) << m.text;
  struct stat st {};
  EXPECT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(dlg.Request().srcDir, in);
}

} // namespace
} // namespace qv::test
