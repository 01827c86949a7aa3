// Runs the built quorvex-cli's dqt command against files in a temp folder.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppHelpers.h"
#include "support/TestSupport.h"
#include "app/DqtFile.h"

namespace qv {
namespace {

using test::TempDir;

// The dqt command with a private settings folder.
test::CliResult RunDqt(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), "dqt");
  return test::RunCli(dir.File("config"), args);
}

std::string TableText(const uint16_t* table) {
  std::string s;
  char cell[16];
  for (int i = 0; i < 64; ++i) {
    std::snprintf(cell, sizeof cell, "%3d,", table[i]);
    s += cell;
    if (i % 8 == 7) s += '\n';
  }
  return s;
}

std::string QfLine(const uint16_t* table) {
  uint32_t sum = 0;
  for (int i = 0; i < 64; ++i) sum += table[i];
  return "Qf=" + EstimateQuality(sum) + "\n";
}

class DqtCli : public ::testing::Test {
protected:
  TempDir dir;
  uint16_t q75[128];
  void SetUp() override {
    MakeStandardTable(0, 75, q75);
    MakeStandardTable(1, 75, q75 + 64);
  }
};

TEST_F(DqtCli, QualityWritesTheStandardTablesToStdout) {
  const test::CliResult r = RunDqt(dir, {"--quality", "75"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, TableText(q75) + TableText(q75 + 64));
  EXPECT_EQ(r.out.substr(0, 33), "  8,  6,  5,  8, 12, 20, 26, 31,\n");
}

TEST_F(DqtCli, QualityFiftyGivesTheUnscaledLuminanceRow) {
  const test::CliResult r = RunDqt(dir, {"--quality", "50"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 33), " 16, 11, 10, 16, 24, 40, 51, 61,\n");
}

TEST_F(DqtCli, QualityWithOutputWritesTheSameTextToTheFile) {
  const std::string path = dir.File("q75.dqt");
  const test::CliResult r = RunDqt(dir, {"--quality", "75", "-o", path});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(test::ReadFileText(path), TableText(q75) + TableText(q75 + 64));
}

TEST_F(DqtCli, ReadPrintsBothTablesAndTheirQfLabels) {
  const std::string path = dir.File("q75.dqt");
  ASSERT_EQ(WriteDqtFile(path, q75), 128);
  const test::CliResult r = RunDqt(dir, {"--read", path});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, TableText(q75) + TableText(q75 + 64) + QfLine(q75) + QfLine(q75 + 64));
  EXPECT_EQ(QfLine(q75), "Qf=88.9\n");
}

TEST_F(DqtCli, QfLabelsRunFromZeroToHundred) {
  const std::string worst = dir.File("q1.dqt"), best = dir.File("q100.dqt");
  ASSERT_EQ(RunDqt(dir, {"--quality", "1", "-o", worst}).status, 0);
  ASSERT_EQ(RunDqt(dir, {"--quality", "100", "-o", best}).status, 0);
  const test::CliResult r1 = RunDqt(dir, {"--read", worst});
  EXPECT_EQ(r1.out.substr(r1.out.size() - 14), "Qf=0.0\nQf=0.0\n");
  const test::CliResult r100 = RunDqt(dir, {"--read", best});
  EXPECT_EQ(r100.out.substr(r100.out.size() - 18), "Qf=100.0\nQf=100.0\n");
}

TEST_F(DqtCli, ReadAcceptsOtherSeparators) {
  std::string text;
  for (int i = 0; i < 128; ++i) text += std::to_string(q75[i]) + (i % 8 == 7 ? "\r\n" : ";\t");
  test::WriteFileText(dir.File("t.txt"), text);
  const test::CliResult r = RunDqt(dir, {"--read", dir.File("t.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, TableText(q75) + TableText(q75 + 64) + QfLine(q75) + QfLine(q75 + 64));
}

TEST_F(DqtCli, ReadOfOneTablePrintsOnlyThatTable) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::to_string(q75[i]) + ",";
  test::WriteFileText(dir.File("100.csv"), text);
  const test::CliResult r = RunDqt(dir, {"--read", dir.File("100.csv")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, TableText(q75) + QfLine(q75));
}

TEST_F(DqtCli, ReadOfFewerThanSixtyFourValuesFails) {
  test::WriteFileText(dir.File("short.dqt"), "1,2,3,4,5\n");
  const test::CliResult r = RunDqt(dir, {"--read", dir.File("short.dqt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("64"), std::string::npos) << r.err;
}

TEST_F(DqtCli, ReadOfAMissingFileGivesTheLoadMessage) {
  const std::string path = dir.File("none.dqt");
  const test::CliResult r = RunDqt(dir, {"--read", path});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quorvex-cli: LoadDQT:Can't open the file.\nquorvex-cli: " + path + ": No such file or directory\n");
}

TEST_F(DqtCli, ReadOfAFolderGivesTheLoadMessage) {
  const test::CliResult r = RunDqt(dir, {"--read", dir.Path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: LoadDQT:Can't open the file.\nquorvex-cli: " + dir.Path() + ": is a folder\n");
}

TEST_F(DqtCli, OutputThatCannotBeCreatedGivesTheSaveMessage) {
  const std::string path = dir.File("missing/q.dqt");
  const test::CliResult r = RunDqt(dir, {"--quality", "75", "-o", path});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: SaveDQT:Can't open the file.\nquorvex-cli: " + path + ": No such file or directory\n");
  EXPECT_FALSE(test::FileExists(path));
}

TEST_F(DqtCli, WrongUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--quality"},
      {"--quality", "0"},
      {"--quality", "101"},
      {"--quality", "7x"},
      {"--read"},
      {"--quality", "75", "--read", "x.dqt"},
      {"--read", "x.dqt", "-o", "y.dqt"},
      {"-o", "y.dqt"},
      {"--quality", "75", "extra"},
      {"--bogus"},
  };
  for (const auto& args : cases) {
    const test::CliResult r = RunDqt(dir, args);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_NE(r.err.find("usage: quorvex-cli dqt"), std::string::npos) << shown;
  }
}

} // namespace
} // namespace qv
