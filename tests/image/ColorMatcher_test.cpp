#include "image/ColorMatcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/FixedPalette.h"

namespace qv {
namespace {

RgbQuad Grey(int v) {
  const auto b = static_cast<uint8_t>(v);
  return RgbQuad{b, b, b, 0};
}

int Nearest(const std::vector<RgbQuad>& palette, int blue, int green, int red) {
  CColorMatcher m;
  EXPECT_TRUE(m.Init(palette.data(), static_cast<int>(palette.size()), static_cast<int>(palette.size())));
  m.BuildIndex();
  const uint8_t px[3] = {static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red)};
  return m.FindNearest(px);
}

TEST(ColorMatcherBuckets, LuminanceOverSixteenWeighsGreenMost) {
  EXPECT_EQ(CColorMatcher::Bucket(0, 0, 0), 0);
  EXPECT_EQ(CColorMatcher::Bucket(255, 255, 255), 15);
  EXPECT_EQ(CColorMatcher::Bucket(0, 255, 0), 11);  // 183 x 255 / 256 = 182
  EXPECT_EQ(CColorMatcher::Bucket(0, 0, 255), 3);   // 53
  EXPECT_EQ(CColorMatcher::Bucket(255, 0, 0), 1);   // 18
}

TEST(ColorMatcherSearch, ALoneEntryInTheBucketWinsWithoutMeasuring) {
  // Green 190 lies in grey 0x80's bucket (8). Black is much nearer, but
  // only the bucket is searched and its one entry is taken.
  const std::vector<RgbQuad> palette = {Grey(0), Grey(0x80), Grey(255)};
  EXPECT_EQ(Nearest(palette, 0, 190, 0), 1);
}

TEST(ColorMatcherSearch, AnEmptyBucketFallsToTheNextHigherGroupOrTheHighest) {
  // Grey 0x60 (bucket 6) has no entry of its own: the next higher group
  // (0xA0, bucket 10) answers although 0x50 (bucket 5) is nearer.
  EXPECT_EQ(Nearest({Grey(0x50), Grey(0xA0)}, 0x60, 0x60, 0x60), 1);
  // Nothing higher than white's bucket: the highest group answers.
  EXPECT_EQ(Nearest({Grey(0), Grey(0x80)}, 255, 255, 255), 1);
  // Below every group: the lowest answers.
  EXPECT_EQ(Nearest({Grey(0x80), Grey(255)}, 0, 0, 0), 0);
}

TEST(ColorMatcherSearch, TiesGoToTheLaterEntryInSortedOrder) {
  // Two entries of bucket 6 at distance 1 from the pixel; unsorted keys
  // keep their order, so the later palette entry wins either way round.
  const RgbQuad a{100, 100, 100, 0}, b{102, 100, 100, 0};
  EXPECT_EQ(Nearest({a, b}, 101, 100, 100), 1);
  EXPECT_EQ(Nearest({b, a}, 101, 100, 100), 1);
  // The comb sort's first gap of 3 swaps entries 0 and 3, which puts the
  // two bucket-6 entries in reverse order: palette entry 0 is now later.
  const std::vector<RgbQuad> shuffled = {a, Grey(20), b, Grey(25)};
  EXPECT_EQ(Nearest(shuffled, 101, 100, 100), 0);
}

TEST(ColorMatcherSearch, AnExactMatchIsFoundInItsBucket) {
  std::vector<RgbQuad> palette(256);
  FillFixedPalette(palette.data(), 256);
  CColorMatcher m;
  ASSERT_TRUE(m.Init(palette.data(), 256, 256));
  m.BuildIndex();
  for (int i = 0; i < 256; ++i) {
    const uint8_t px[3] = {palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed};
    EXPECT_EQ(m.FindNearest(px), i);
  }
  EXPECT_EQ(m.GroupCount(), 16);
}

TEST(ColorMatcherIndex, GroupsAreTheDistinctBuckets) {
  const std::vector<RgbQuad> palette = {Grey(255), Grey(0), Grey(250), Grey(5), Grey(128)};
  CColorMatcher m;
  ASSERT_TRUE(m.Init(palette.data(), 8, 5));
  m.BuildIndex();
  EXPECT_EQ(m.GroupCount(), 3);
}

TEST(ColorMatcherIndex, EmptyOrInvalidPalettesAreHandled) {
  CColorMatcher m;
  EXPECT_FALSE(m.Init(nullptr, 4, 4));
  EXPECT_FALSE(m.Init(nullptr, 4, -1));
  ASSERT_TRUE(m.Init(nullptr, 0, 0));
  m.BuildIndex();
  const uint8_t px[3] = {1, 2, 3};
  EXPECT_EQ(m.FindNearest(px), 0);
  // A capacity below the count is raised rather than overrun.
  const std::vector<RgbQuad> palette = {Grey(0), Grey(255)};
  ASSERT_TRUE(m.Init(palette.data(), 1, 2));
  m.BuildIndex();
  const uint8_t white[3] = {255, 255, 255};
  EXPECT_EQ(m.FindNearest(white), 1);
}

} // namespace
} // namespace qv
