#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utility>
#include <vector>

#include "app/ConverterApp.h"
#include "app/Profile.h"
#include "batch/BatchSettings.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

TEST(ValidateDirName, LinuxForm) {
  EXPECT_EQ(ValidateDirName(""), -1);
  EXPECT_EQ(ValidateDirName("/"), -2);  // a bare root
  EXPECT_EQ(ValidateDirName("relative/dir"), -2);
  EXPECT_EQ(ValidateDirName("/pictures/"), 1);
  EXPECT_EQ(ValidateDirName("/pictures"), 1);
  EXPECT_EQ(ValidateDirName("/a//b"), -2);
  EXPECT_EQ(ValidateDirName("//a"), -2);
  EXPECT_EQ(ValidateDirName("/a/b//"), -2);
  // Ordinary characters of Linux names.
  for (const char* fine : {"/a\"b", "/a*b", "/a:b", "/a<b", "/a>b", "/a?b", "/a|b", "/2024-05-01 12:30", "/ä/日本"})
    EXPECT_EQ(ValidateDirName(fine), 1) << fine;
  // Control characters are not.
  for (const char* bad : {"/a\tb", "/a\nb", "/a\x01", "/\x1f", "/a\rb/"}) EXPECT_EQ(ValidateDirName(bad), -2) << bad;
  EXPECT_EQ(ValidateDirName("/a\x7f"), 1);
  EXPECT_EQ(ValidateDirName("/" + std::string(259, 'x')), 1);
  EXPECT_EQ(ValidateDirName("/" + std::string(260, 'x')), -3);
}

TEST(MakeDirectoryPath, CreatesEveryMissingLevel) {
  TempDir dir;
  EXPECT_EQ(MakeDirectoryPath(dir.File("a/b/c/")), 1);
  EXPECT_TRUE(DirectoryExists(dir.File("a/b/c")));
  EXPECT_EQ(MakeDirectoryPath(dir.File("a/b/c")), 1);  // existing is fine
  test::WriteFileText(dir.File("file"), "x");
  EXPECT_EQ(MakeDirectoryPath(dir.File("file/sub")), -1);
}

TEST(FillFileList, FilterAndCaseInsensitiveOrder) {
  TempDir dir;
  for (const char* n : {"c.jpg", "B.jpg", "a.JPG", "b.jpeg", "c.jif", "d.png", "noext", "e.jfif"})
    test::WriteFileText(dir.File(n), "x");
  ::mkdir(dir.File("sub.jpg").c_str(), 0755);  // folders never count
  const auto list = FillFileList(dir.Path(), true, ".jpg;.jfif;.jpeg");
  const std::vector<std::string> want = {"a.JPG", "b.jpeg", "B.jpg", "c.jpg", "e.jfif"};
  EXPECT_EQ(list, want);
  EXPECT_EQ(FillFileList(dir.Path(), false, "").size(), 8u);
  EXPECT_TRUE(FillFileList(dir.File("missing"), true, ".jpg").empty());
}

TEST(BatchSettingsSection, DefaultsUnderHomeAndSaveOrder) {
  TempDir dir;
  CProfile profile(dir.File("q.ini"));
  CBatchSettings s;
  s.Load(profile);
  EXPECT_EQ(s.SrcDirectory, HomeDirectory() + "/KXM410");
  EXPECT_EQ(s.DstDirectory, HomeDirectory() + "/DCIM/100KXCAM");
  EXPECT_EQ(s.LogFilePath, HomeDirectory() + "/blkcnv.htm");
  EXPECT_EQ(s.FileSeqNo, 1);
  EXPECT_EQ(s.JpegQuality, 75);
  EXPECT_EQ(s.SizeWidth, 1024);
  EXPECT_EQ(s.SizeHeight, 768);
  EXPECT_EQ(s.StrExtFilter, ".jpg;.jfif;.jpeg");
  ASSERT_TRUE(s.Save(profile));
  const auto bytes = test::ReadFileBytes(dir.File("q.ini"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_LT(text.find("SrcDirectory="), text.find("DstDirectory="));
  EXPECT_LT(text.find("LogFilePath="), text.find("SizeConvertMode="));
  EXPECT_LT(text.find("FileSeqNo="), text.find("SizeWidth="));
  EXPECT_LT(text.find("ExtThrough="), text.find("AltIsOriginalSize="));
  // ExtFilter is written but never read back.
  profile.WriteInt(kSectionBulkConv, "ExtFilter", 0);
  s.Load(profile);
  EXPECT_EQ(s.ExtFilter, 1);
  s.ForceControlValues();
  EXPECT_EQ(s.SizeAlignMode, 1);
  EXPECT_EQ(s.CreateLog, 0);
}

TEST(BatchSettingsSection, SizesOutsideOneTo65500TakeTheDefaults) {
  TempDir dir;
  CProfile profile(dir.File("q.ini"));
  CBatchSettings s;
  const std::pair<const char*, const char*> cases[][2] = {
      {{"2147483647", "1024"}, {"-2147483648", "768"}},
      {{"0", "1024"}, {"65501", "768"}},
      {{"-1", "1024"}, {"99999999999", "768"}},
      {{"65500", "65500"}, {"1", "1"}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(profile.WriteString(kSectionBulkConv, "SizeWidth", c[0].first));
    ASSERT_TRUE(profile.WriteString(kSectionBulkConv, "SizeHeight", c[1].first));
    s.Load(profile);
    EXPECT_EQ(s.SizeWidth, std::stoi(c[0].second)) << c[0].first;
    EXPECT_EQ(s.SizeHeight, std::stoi(c[1].second)) << c[1].first;
  }
}

TEST(BatchSettingsSection, QualityOutsideOneToHundredTakesTheDefault) {
  TempDir dir;
  CProfile profile(dir.File("q.ini"));
  CBatchSettings s;
  for (const auto& c : std::vector<std::pair<const char*, int>>{
           {"0", 75}, {"101", 75}, {"-5", 75}, {"2147483647", 75}, {"1", 1}, {"100", 100}, {"40", 40}}) {
    ASSERT_TRUE(profile.WriteString(kSectionBulkConv, "JpegQuality", c.first));
    s.Load(profile);
    EXPECT_EQ(s.JpegQuality, c.second) << c.first;
  }
}

TEST(BatchSettingsSection, AnOutOfRangeSequenceNumberIsLeftForTheOkCheck) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  ASSERT_TRUE(app.Profile().WriteString(kSectionBulkConv, "FileSeqNo", "123456"));
  CBatchSettings s;
  s.Load(app.Profile());
  EXPECT_EQ(s.FileSeqNo, 123456);
  ::mkdir(dir.File("in").c_str(), 0755);
  ::mkdir(dir.File("out").c_str(), 0755);
  BatchDialogValues v;
  v.srcDir = dir.File("in");
  v.dstDir = dir.File("out");
  v.seqText = std::to_string(s.FileSeqNo);
  v.files = {{"a.jpg", true}};
  BatchRunRequest request;
  EXPECT_EQ(CheckBatchDialog(app, s, v, sink, request), BatchOkOutcome::Stay);
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text, "Output File Top Seq No. is out of range!     ");
}

TEST(BatchSettingsSection, SavingWritesTheFileOnceAndKeepsOtherSections) {
  TempDir dir;
  test::WriteFileText(dir.File("q.ini"), "; notes\n[default]\nParam1=50\n");
  CProfile profile(dir.File("q.ini"));
  CBatchSettings s;
  s.Load(profile);
  s.SizeWidth = 640;
  ASSERT_TRUE(s.Save(profile));
  const std::string text = test::ReadFileText(dir.File("q.ini"));
  EXPECT_EQ(text.rfind("; notes\n[default]\nParam1=50\n\n[bulkconv]\nSrcDirectory=", 0), 0u);
  CProfile again(dir.File("q.ini"));
  CBatchSettings back;
  back.Load(again);
  EXPECT_EQ(back.SizeWidth, 640);
  EXPECT_EQ(back.SizeHeight, 768);
}

class BatchOkTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};
  CBatchSettings fields;
  BatchRunRequest request;
  BatchDialogValues values;

  void SetUp() override {
    ::mkdir(dir.File("in").c_str(), 0755);
    values.srcDir = dir.File("in");
    values.dstDir = dir.File("out");
    values.seqText = "0001";
    values.quality = 60;
    values.files = {{"a.jpg", true}, {"b.jpg", false}, {"c.jpg", true}};
  }
  BatchOkOutcome Ok() { return CheckBatchDialog(app, fields, values, sink, request); }
  std::string LastText() const { return sink.messages.empty() ? "" : sink.messages.back().text; }
};

TEST_F(BatchOkTest, TickedFilesInListOrderAndOutputCreatedOnYes) {
  sink.answer = IDYES;
  EXPECT_EQ(Ok(), BatchOkOutcome::CloseRun);
  EXPECT_EQ(request.files, (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_TRUE(DirectoryExists(dir.File("out")));
  EXPECT_EQ(app.m_settings.Param1, 60);
  EXPECT_EQ(request.firstSeqNo, 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text,
            "Output File Directory '" + dir.File("out") + "' does not exist!       \nCreate the directory?");
  EXPECT_EQ(sink.messages[0].caption, "Batch Convert");
  // The dialog's keys were written, the sequence number as four digits.
  EXPECT_EQ(app.Profile().GetString(kSectionBulkConv, "FileSeqNo", ""), "0001");
  EXPECT_EQ(app.Profile().GetInt(kSectionBulkConv, "JpegQuality", 0), 60);
}

TEST_F(BatchOkTest, EachCheckStopsWithItsOwnText) {
  sink.answer = IDNO;
  EXPECT_EQ(Ok(), BatchOkOutcome::Stay);  // output missing, answered No
  ::mkdir(dir.File("out").c_str(), 0755);

  values.srcDir = "";
  EXPECT_EQ(Ok(), BatchOkOutcome::Stay);
  EXPECT_EQ(LastText(), "Set the Input File Directory.    ");
  values.srcDir = "in";
  Ok();
  EXPECT_EQ(LastText(), "Input File Directory Name contains invalid expression!     ");
  values.srcDir = dir.File("in");
  values.dstDir = "/" + std::string(261, 'o');
  Ok();
  EXPECT_EQ(LastText(), "Output File Directory name is too long.    ");
  // One folder on disk however it is spelled; "IN" is another folder here.
  for (const std::string& same : {dir.File("in/"), dir.File("in/."), dir.File("out/../in")}) {
    values.dstDir = same;
    EXPECT_EQ(Ok(), BatchOkOutcome::Stay);
    EXPECT_EQ(LastText(), "Input and Output is same directory.    ") << same;
  }
  values.dstDir = dir.File("IN");
  values.seqText = "0";
  Ok();
  EXPECT_EQ(LastText(), "Output File Top Seq No. is out of range!     ");
  values.dstDir = dir.File("out");
  for (const char* bad : {"10000", "abc", ""}) {
    values.seqText = bad;
    EXPECT_EQ(Ok(), BatchOkOutcome::Stay);
    EXPECT_EQ(LastText(), "Output File Top Seq No. is out of range!     ") << bad;
  }
  values.seqText = "9999";
  values.files = {{"a.jpg", false}};
  EXPECT_EQ(Ok(), BatchOkOutcome::Stay);
  EXPECT_EQ(LastText(), "No check files!      \n");
  values.files.clear();
  EXPECT_EQ(Ok(), BatchOkOutcome::CloseNoRun);
  EXPECT_EQ(LastText(), "File list is empty!    \nCheck the directory '" + dir.File("in") + "'.     \nAnd retry.");
}

TEST_F(BatchOkTest, MoreThanAThousandTickedFilesAreRefusedNotCut) {
  ::mkdir(dir.File("out").c_str(), 0755);
  for (int i = 0; i < 1001; ++i) values.files.emplace_back("f" + std::to_string(i) + ".jpg", true);
  values.files.erase(values.files.begin(), values.files.begin() + 3);
  EXPECT_EQ(Ok(), BatchOkOutcome::Stay);
  EXPECT_NE(LastText().find("1001"), std::string::npos);
  values.files.pop_back();
  EXPECT_EQ(Ok(), BatchOkOutcome::CloseRun);
  EXPECT_EQ(request.files.size(), 1000u);
}

TEST_F(BatchOkTest, MissingInputFolderIsCreatedOnYesWithoutARun) {
  values.srcDir = dir.File("new/in");
  sink.answer = IDYES;
  EXPECT_EQ(Ok(), BatchOkOutcome::CloseNoRun);
  EXPECT_TRUE(DirectoryExists(dir.File("new/in")));
  EXPECT_EQ(LastText(), "Create the directory '" + dir.File("new/in") + "' was succesfull.      \nSet the source files into the directory '" +
                            dir.File("new/in") + "'.\nAnd retry.");
}

} // namespace
