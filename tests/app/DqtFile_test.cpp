#include "app/DqtFile.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <dirent.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace qv {
namespace {

using test::TempDir;

const uint16_t kLuminance50[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

struct Tables {
  uint16_t v[128];
};

Tables StandardTables(int quality) {
  Tables t;
  MakeStandardTable(0, quality, t.v);
  MakeStandardTable(1, quality, t.v + 64);
  return t;
}

int Parse(const std::string& text, uint16_t values[128]) { return ParseDqtText(text.data(), text.size(), values); }

std::vector<int> ParseAll(const std::string& text) {
  uint16_t v[128] = {};
  const int n = Parse(text, v);
  return std::vector<int>(v, v + (n < 0 ? 0 : n));
}

std::string Join(int count, const std::string& separator, int first = 1) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::to_string(first + i) + (i + 1 < count ? separator : "");
  return s;
}

TEST(DqtStandardTable, QualityFiftyGivesTheUnscaledLuminanceTable) {
  uint16_t t[64];
  MakeStandardTable(0, 50, t);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(t[i], kLuminance50[i]) << i;
  MakeStandardTable(1, 50, t);
  EXPECT_EQ(t[0], 17);
  EXPECT_EQ(t[63], 99);
}

TEST(DqtStandardTable, QualityOneCapsEveryEntryAt255) {
  for (int index : {0, 1}) {
    uint16_t t[64];
    MakeStandardTable(index, 1, t);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(t[i], 255) << index << " " << i;
  }
}

TEST(DqtStandardTable, QualitySeventyFiveGivesTheKnownFirstRow) {
  uint16_t t[64];
  MakeStandardTable(0, 75, t);
  const uint16_t row[8] = {8, 6, 5, 8, 12, 20, 26, 31};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(t[i], row[i]);
}

TEST(DqtStandardTable, QualityOutsideOneToHundredIsClamped) {
  uint16_t low[64], one[64], high[64], hundred[64];
  MakeStandardTable(0, -20, low);
  MakeStandardTable(0, 1, one);
  MakeStandardTable(0, 1000, high);
  MakeStandardTable(0, 100, hundred);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(low[i], one[i]);
    EXPECT_EQ(high[i], hundred[i]);
    EXPECT_EQ(hundred[i], 1);
  }
}

TEST(WriteDqtFile, WritesSixteenLinesOfEightRightAlignedValues) {
  TempDir dir;
  const Tables t = StandardTables(75);
  ASSERT_EQ(WriteDqtFile(dir.File("q.dqt"), t.v), 128);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(dir.File("q.dqt"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.substr(0, 33), "  8,  6,  5,  8, 12, 20, 26, 31,\n");
  int lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 16);
  EXPECT_EQ(text.size(), 16u * 33u);
}

TEST(WriteDqtFile, QualitySeventyFiveTablesReadBackTheSame) {
  TempDir dir;
  const Tables t = StandardTables(75);
  ASSERT_EQ(WriteDqtFile(dir.File("q.dqt"), t.v), 128);
  uint16_t back[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("q.dqt"), back), 128);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(back[i], t.v[i]) << i;
}

TEST(WriteDqtFile, ValuesAbove255ReadBackUnchanged) {
  TempDir dir;
  Tables t = StandardTables(75);
  t.v[0] = 65535;
  t.v[127] = 1000;
  ASSERT_EQ(WriteDqtFile(dir.File("big.dqt"), t.v), 128);
  uint16_t back[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("big.dqt"), back), 128);
  EXPECT_EQ(back[0], 65535);
  EXPECT_EQ(back[127], 1000);
}

TEST(WriteDqtFile, ReplacesAnExistingFileAndLeavesNoTemporary) {
  TempDir dir;
  test::WriteFileText(dir.File("q.dqt"), std::string(5000, 'x'));
  ::chmod(dir.File("q.dqt").c_str(), 0640);
  const Tables t = StandardTables(90);
  ASSERT_EQ(WriteDqtFile(dir.File("q.dqt"), t.v), 128);
  EXPECT_EQ(test::ReadFileBytes(dir.File("q.dqt")).size(), 16u * 33u);
  struct stat st;
  ASSERT_EQ(::stat(dir.File("q.dqt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"q.dqt"});
}

TEST(WriteDqtFile, FailsWhenTheFileCannotBeCreated) {
  TempDir dir;
  const Tables t = StandardTables(75);
  EXPECT_EQ(WriteDqtFile(dir.File("missing/q.dqt"), t.v), -1);
  EXPECT_EQ(WriteDqtFile(dir.Path(), t.v), -1);
}

TEST(WriteDqtFile, AFailedWriteKeepsTheOldTables) {
  TempDir dir;
  const Tables old = StandardTables(75);
  ASSERT_EQ(WriteDqtFile(dir.File("q.dqt"), old.v), 128);
  // A file-size limit below the table text makes the write fail part-way,
  // as a full disk would.
  const Tables fresh = StandardTables(20);
  const int result = [&] {
    test::FileSizeLimit limit(100);
    return WriteDqtFile(dir.File("q.dqt"), fresh.v);
  }();
  EXPECT_EQ(result, -1);
  uint16_t back[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("q.dqt"), back), 128);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(back[i], old.v[i]) << i;
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"q.dqt"});
}

TEST(ReadDqtFile, FailsForAMissingFileOrAFolder) {
  TempDir dir;
  uint16_t v[128];
  EXPECT_EQ(ReadDqtFile(dir.File("none.dqt"), v), -1);
  EXPECT_EQ(ReadDqtFile(dir.Path(), v), -1);
}

TEST(ReadDqtFile, AFifoIsRefusedWithoutWaitingForAWriter) {
  TempDir dir;
  const std::string fifo = dir.File("q.dqt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // Should the read block, a writer that comes and goes lets it end.
  std::atomic<bool> finished{false};
  std::thread rescue([&] {
    for (int i = 0; i < 500 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (finished) return;
    if (int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
  });
  uint16_t v[128];
  const auto start = std::chrono::steady_clock::now();
  const int n = ReadDqtFile(fifo, v);
  const auto took = std::chrono::steady_clock::now() - start;
  finished = true;
  rescue.join();
  EXPECT_EQ(n, -1);
  EXPECT_LT(took, std::chrono::seconds(2));
}

TEST(ReadDqtFile, ALinkToADeviceIsRefused) {
  TempDir dir;
  ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.dqt").c_str()), 0);
  uint16_t v[128];
  EXPECT_EQ(ReadDqtFile(dir.File("zero.dqt"), v), -1);
  EXPECT_EQ(ReadDqtFile("/dev/null", v), -1);
}

TEST(ReadDqtFile, ALinkToATableFileIsRead) {
  TempDir dir;
  test::WriteFileText(dir.File("real.dqt"), Join(64, ","));
  ASSERT_EQ(::symlink(dir.File("real.dqt").c_str(), dir.File("link.dqt").c_str()), 0);
  uint16_t v[128] = {};
  EXPECT_EQ(ReadDqtFile(dir.File("link.dqt"), v), 64);
}

TEST(ReadDqtFile, NothingPastTheFirstFourMegabytesIsRead) {
  TempDir dir;
  std::string text;
  while (text.size() < 4u * 1024 * 1024 - 1) text += std::string(999, ' ') + "\n";
  text.resize(4u * 1024 * 1024 - 2);
  test::WriteFileText(dir.File("edge.dqt"), text + "\n7," + Join(128, ","));
  uint16_t v[128] = {};
  EXPECT_EQ(ReadDqtFile(dir.File("edge.dqt"), v), 1);  // "7" is the last piece within reach
  EXPECT_EQ(v[0], 7);
}

TEST(ReadDqtFile, OneLineOfSixtyFourCommaSeparatedValuesIsOneTable) {
  TempDir dir;
  test::WriteFileText(dir.File("one.csv"), Join(64, ",") + "\n");
  uint16_t v[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("one.csv"), v), 64);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(v[i], i + 1);
}

TEST(ReadDqtFile, SemicolonsTabsAndSingleSpacesSeparateValues) {
  for (const std::string sep : {";", "\t", " ", ", ", ",\t"}) {
    TempDir dir;
    std::string text;
    for (int row = 0; row < 16; ++row) text += Join(8, sep, row * 8 + 1) + "\n";
    test::WriteFileText(dir.File("t.txt"), text);
    uint16_t v[128] = {};
    ASSERT_EQ(ReadDqtFile(dir.File("t.txt"), v), 128) << "separator '" << sep << "'";
    for (int i = 0; i < 128; ++i) ASSERT_EQ(v[i], i + 1) << "separator '" << sep << "'";
  }
}

TEST(ParseDqtText, AMinusSignGivesZeroThenTheNumber) {
  EXPECT_EQ(ParseAll("-5"), (std::vector<int>{0, 5}));
}

TEST(ParseDqtText, ATokenWithLettersGivesItsLeadingNumber) {
  EXPECT_EQ(ParseAll("1a,b2,7"), (std::vector<int>{1, 0, 7}));
}

TEST(ParseDqtText, TwoCommasGiveAZeroBetween) {
  EXPECT_EQ(ParseAll("3,,4,\n"), (std::vector<int>{3, 0, 4}));
}

TEST(ParseDqtText, ACommaBeforeTheLineEndAddsNothing) {
  EXPECT_EQ(ParseAll("1,2,\n3,\n\n   \n\t4,"), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ParseDqtText, ALastLineWithoutLineEndCounts) {
  EXPECT_EQ(ParseAll("1,2\n3,4"), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ParseDqtText, CrLfLineEndsAddNoValues) {
  EXPECT_EQ(ParseAll("  8,  6,\r\n  5,\r\n9\r\n"), (std::vector<int>{8, 6, 5, 9}));
}

TEST(ParseDqtText, StopsAt128Values) {
  uint16_t v[128] = {};
  EXPECT_EQ(Parse(Join(100, ",") + "\n" + Join(100, ",", 101), v), 128);
  EXPECT_EQ(v[99], 100);
  EXPECT_EQ(v[100], 101);
  EXPECT_EQ(v[127], 128);
}

TEST(ParseDqtText, NumbersAbove65535ReadAs65535) {
  EXPECT_EQ(ParseAll("65535,65536,70000,99999999999999999999999,4464"),
            (std::vector<int>{65535, 65535, 65535, 65535, 4464}));
}

TEST(ReadDqtFile, NumbersAbove65535ReadAs65535) {
  TempDir dir;
  test::WriteFileText(dir.File("big.dqt"), "70000,1,4294967296\n");
  uint16_t v[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("big.dqt"), v), 3);
  EXPECT_EQ(v[0], 65535);
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(v[2], 65535);
}

TEST(ParseDqtText, LinesAreReadInPiecesOf1023Characters) {
  // A number that straddles the 1023rd character is read as two.
  const std::string text = std::string(1021, ' ') + "1234,5";
  EXPECT_EQ(ParseAll(text), (std::vector<int>{12, 34, 5}));
}

TEST(ParseDqtText, EmptyTextGivesNoValues) {
  uint16_t v[128];
  EXPECT_EQ(ParseDqtText(nullptr, 0, v), 0);
  EXPECT_EQ(Parse("", v), 0);
  EXPECT_EQ(Parse("\n\n", v), 0);
}

TEST(ReadDqtFile, AFileOfHundredValuesFillsTheFirstTableAndPartOfTheSecond) {
  TempDir dir;
  test::WriteFileText(dir.File("100.dqt"), Join(100, ","));
  uint16_t v[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("100.dqt"), v), 100);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[99], 100);
}

TEST(ReadDqtFile, ValuesFarIntoALargeFileAreStillFound) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += std::string(1000, ' ') + "\r\n";
  text += Join(128, ",");
  test::WriteFileText(dir.File("far.dqt"), text);
  uint16_t v[128] = {};
  ASSERT_EQ(ReadDqtFile(dir.File("far.dqt"), v), 128);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[127], 128);
}

TEST(ReadDqtFile, GarbageNeverCrashesAndNeverGivesMoreThan128) {
  std::mt19937 rng(11);
  TempDir dir;
  for (int round = 0; round < 300; ++round) {
    std::string text(rng() % 3000, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 3 ? rng() % 128 : rng());
    test::WriteFileText(dir.File("g.dqt"), text);
    uint16_t v[128];
    const int n = ReadDqtFile(dir.File("g.dqt"), v);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 128);
    ASSERT_EQ(n, Parse(text, v));
  }
}

TEST(DqtFalseColourPalette, RunsFromWhiteToBlack) {
  uint8_t quads[256 * 4];
  BuildFalseColourPalette(quads);
  EXPECT_EQ(quads[0], 255);
  EXPECT_EQ(quads[1], 255);
  EXPECT_EQ(quads[2], 255);
  EXPECT_EQ(quads[3], 0);
  EXPECT_EQ(quads[255 * 4 + 0], 0);
  EXPECT_EQ(quads[255 * 4 + 1], 0);
  EXPECT_EQ(quads[255 * 4 + 2], 0);
  EXPECT_EQ(quads[255 * 4 + 3], 0);
}

TEST(DqtFalseColourPalette, FollowsTheThreeCosineBands) {
  uint8_t quads[256 * 4];
  BuildFalseColourPalette(quads);
  // Entry 85: green (cos pi/3 + 1) * 127.5 = 191.25, red (cos pi + 1) = 0,
  // blue (cos 3 pi + 1) = 0.
  EXPECT_EQ(quads[85 * 4 + 1], 191);
  EXPECT_EQ(quads[85 * 4 + 2], 0);
  EXPECT_EQ(quads[85 * 4 + 0], 0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(quads[i * 4 + 3], 0);
}

} // namespace
} // namespace qv
