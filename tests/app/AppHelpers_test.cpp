#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/AppHelpers.h"
#include "support/TestSupport.h"

using namespace qv;

namespace {

TEST(FormatByteCount, GroupedAndShortTexts) {
  struct Case {
    uint32_t n;
    const char* grouped;
    const char* shortText;
  } cases[] = {
      {0, "0", "0"},
      {999, "999", "999"},
      {1000, "1,000", "1000"},
      {1023, "1,023", "1023"},
      {1024, "1,024", "1.0K"},
      {1536, "1,536", "1.5K"},
      {999999, "999,999", "976.5K"},
      {1000000, "1,000,000", "976.5K"},
      {1048576, "1,048,576", "1.0M"},
      {429496729, "429,496,729", "409.5M"},
  };
  for (const Case& c : cases) {
    ByteCountText t = FormatByteCount(c.n);
    EXPECT_EQ(t.grouped, c.grouped) << c.n;
    EXPECT_EQ(t.shortText, c.shortText) << c.n;
  }
}

TEST(EstimateQuality, EndsOfTheScale) {
  EXPECT_EQ(EstimateQuality(64), "100.0");
  EXPECT_EQ(EstimateQuality(16320), "0.0");
  EXPECT_EQ(EstimateQuality(64 * 128), "50.0");  // all 128s: halfway
  EXPECT_EQ(EstimateQuality(64 * 65535), "0.0");  // 16-bit tables do not wrap around
}

TEST(MakeTempFileName, CreatesAnEmptyFileExclusively) {
  test::TempDir dir;
  std::string a, b;
  ASSERT_TRUE(MakeTempFileName(dir.Path(), "QV", ".jpg", a));
  ASSERT_TRUE(MakeTempFileName(dir.Path() + "/", "QV", ".jpg", b));
  EXPECT_NE(a, b);  // the second must not take the first's name
  struct stat st {};
  ASSERT_EQ(stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  const std::string name = a.substr(dir.Path().size() + 1);
  ASSERT_EQ(name.size(), 2u + 4u + 4u);
  EXPECT_EQ(name.substr(0, 2), "QV");
  EXPECT_EQ(name.substr(6), ".jpg");
  EXPECT_EQ(a.substr(0, dir.Path().size() + 1), dir.Path() + "/");
}

TEST(MakeTempFileName, RefusesLongNamesAndMissingFolders) {
  test::TempDir dir;
  std::string out = "unchanged";
  const std::string longPrefix(260 - dir.Path().size() - 1 - 4, 'p');  // exactly 260 characters
  EXPECT_FALSE(MakeTempFileName(dir.Path(), longPrefix, nullptr, out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_TRUE(MakeTempFileName(dir.Path(), longPrefix.substr(1), nullptr, out));  // 259 is fine
  EXPECT_FALSE(MakeTempFileName(dir.File("no/such/folder"), "QV", nullptr, out));
}

TEST(ShowFileError, OperationMessageAndPathInThreeParts) {
  test::RecordingSink sink;
  ShowFileError(sink, "Save", "/tmp/a.jpg", "Can't open the file.");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Save:Can't open the file.\n/tmp/a.jpg");
  EXPECT_EQ(sink.messages[0].style & 0xF0u, static_cast<unsigned>(MB_ICONSTOP));
}

} // namespace
