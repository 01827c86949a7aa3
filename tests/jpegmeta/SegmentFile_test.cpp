#include <gtest/gtest.h>

#include "jpegmeta/SegmentFile.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + 3) % 251);
  return v;
}

// The same reads must behave alike on a file and on memory, and across the
// buffer's refills (a 16-byte buffer makes every boundary show).
class SegmentFileTest : public ::testing::TestWithParam<bool> {
protected:
  TempDir dir;
  std::vector<uint8_t> data = Pattern(100);
  CSegmentFile file{16};

  void SetUp() override {
    if (GetParam()) {
      test::WriteFileBytes(dir.File("f.bin"), data);
      ASSERT_TRUE(file.Open(dir.File("f.bin")));
    } else {
      file.OpenMemory(data.data(), data.size());
    }
    ASSERT_EQ(file.Length(), 100);
  }
};

TEST_P(SegmentFileTest, GetByteDeliversEveryByteThenMinusOne) {
  for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(file.GetByte(), data[i]) << i;
  EXPECT_EQ(file.GetByte(), -1);
  EXPECT_EQ(file.GetByte(), -1);
}

TEST_P(SegmentFileTest, ReadSpansRefillsAndComesBackShortAtTheEnd) {
  std::vector<uint8_t> got(60);
  EXPECT_EQ(file.Read(got.data(), 5), 5);
  EXPECT_EQ(file.Read(got.data() + 5, 40), 40);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 45, data.begin()));
  EXPECT_EQ(file.Read(nullptr, 10), 10);  // passed over
  EXPECT_EQ(file.Position(), 55);
  EXPECT_EQ(file.Read(got.data(), 60), 45);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 45, data.begin() + 55));
  EXPECT_EQ(file.Read(got.data(), 1), 0);
}

TEST_P(SegmentFileTest, SkipSeeksPastTheBufferButNeverPastTheEnd) {
  EXPECT_EQ(file.GetByte(), data[0]);
  EXPECT_EQ(file.Skip(3), 3);  // inside the buffer
  EXPECT_EQ(file.GetByte(), data[4]);
  EXPECT_EQ(file.Skip(50), 50);  // beyond it
  EXPECT_EQ(file.Position(), 55);
  EXPECT_EQ(file.GetByte(), data[55]);
  EXPECT_EQ(file.Skip(1000), 44);
  EXPECT_EQ(file.Remaining(), 0);
  EXPECT_EQ(file.GetByte(), -1);
}

TEST_P(SegmentFileTest, FindByteCountsAcrossRefillsAndLeavesTheByteUnread) {
  data.assign(100, 0x11);
  data[40] = 0xFF;
  data[41] = 0xFF;
  data[99] = 0xFF;
  SetUp();
  EXPECT_EQ(file.FindByte(0xFF), 40);
  EXPECT_EQ(file.Position(), 40);
  EXPECT_EQ(file.GetByte(), 0xFF);
  EXPECT_EQ(file.FindByte(0xFF), 0);
  EXPECT_EQ(file.GetByte(), 0xFF);
  EXPECT_EQ(file.FindByte(0xFF), 57);
  EXPECT_EQ(file.GetByte(), 0xFF);
  EXPECT_EQ(file.FindByte(0xFF), -1);
}

INSTANTIATE_TEST_SUITE_P(FileAndMemory, SegmentFileTest, ::testing::Bool());

TEST(SegmentFile, MissingFilesFoldersAndEmptyFilesDeliverNothing) {
  TempDir dir;
  CSegmentFile f;
  EXPECT_FALSE(f.Open(dir.File("missing.jpg")));
  EXPECT_FALSE(f.Open(dir.Path()));
  EXPECT_EQ(f.GetByte(), -1);
  test::WriteFileBytes(dir.File("empty"), {});
  ASSERT_TRUE(f.Open(dir.File("empty")));
  EXPECT_EQ(f.FindByte(0xFF), -1);
  EXPECT_EQ(f.Skip(10), 0);
}

} // namespace
