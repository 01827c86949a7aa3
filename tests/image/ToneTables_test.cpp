#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/DibBitmap.h"
#include "image/ToneTables.h"

using namespace qv;

namespace {

// Every table the dialog can apply must index a 256-entry table safely.
void ExpectByteRampNonDecreasing(const ToneTable& t, const std::string& what) {
  for (size_t i = 0; i < 256; ++i) {
    ASSERT_GE(t[i], 0) << what << " at " << i;
    ASSERT_LE(t[i], 255) << what << " at " << i;
    if (i > 0) {
      ASSERT_GE(t[i], t[i - 1]) << what << " at " << i;
    }
  }
}

TEST(ToneTables, NeutralSettingsGiveIdentityTables) {
  const ToneTable g = BuildGammaTable(1.0);
  const ToneTable l = BuildLevelTable(0, 0);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(g[static_cast<size_t>(i)], i);
    EXPECT_EQ(l[static_cast<size_t>(i)], i);
  }
}

TEST(ToneTables, GammaTableInvertsThePowerCurve) {
  // With the curve c(base) = trunc(base^g * 255 / 255^g), entry x is the
  // first base whose curve value is the highest one not above x; levels
  // from c(255) on are 255.
  for (double gamma : {0.01, 0.45, 2.0, 2.2, 4.99}) {
    const ToneTable g = BuildGammaTable(gamma);
    const double m = std::pow(255.0, gamma);
    auto curve = [&](int base) { return static_cast<int>(std::pow(base, gamma) * 255.0 / m); };
    for (int x = 0; x < 256; ++x) {
      int bestValue = -1, bestBase = 0;
      for (int base = 0; base < 256; ++base) {
        if (curve(base) <= x && curve(base) > bestValue) {
          bestValue = curve(base);
          bestBase = base;
        }
      }
      const int want = x >= curve(255) ? 255 : bestBase;
      ASSERT_EQ(g[static_cast<size_t>(x)], want) << "gamma " << gamma << " level " << x;
    }
  }
  const ToneTable two = BuildGammaTable(2.0);
  EXPECT_EQ(two[1], 16);  // 16^2 / 255 is the first value to reach 1
  EXPECT_EQ(two[2], 23);
  EXPECT_EQ(two[255], 255);
  const ToneTable low = BuildGammaTable(0.01);
  EXPECT_EQ(low[240], 0);  // the curve leaps from 0 at base 0 to 241 at base 1
  EXPECT_EQ(low[241], 1);
}

TEST(ToneTables, BiasShiftsTheLineAndClamps) {
  const ToneTable up = BuildLevelTable(0, 100);
  const ToneTable down = BuildLevelTable(0, -100);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(up[static_cast<size_t>(i)], std::min(i + 100, 255)) << i;
    EXPECT_EQ(down[static_cast<size_t>(i)], std::max(i - 100, 0)) << i;
  }
}

TEST(ToneTables, ContrastDoublesOrHalvesTheSlope) {
  const ToneTable steep = BuildLevelTable(128, 0);
  const ToneTable flat = BuildLevelTable(-128, 0);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(steep[static_cast<size_t>(i)], std::min(2 * i + 1, 255)) << i;
    EXPECT_EQ(flat[static_cast<size_t>(i)], i / 2) << i;
  }
}

TEST(ToneTables, AnyInputGivesAByteTable) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double gamma : {0.0, -1.0, -0.5, 1e9, 1e-9, nan, inf, -inf})
    ExpectByteRampNonDecreasing(BuildGammaTable(gamma), "gamma " + std::to_string(gamma));
  // Gamma 0 flattens everything below the top.
  const ToneTable zero = BuildGammaTable(0.0);
  EXPECT_EQ(zero[0], 0);
  EXPECT_EQ(zero[254], 0);
  EXPECT_EQ(zero[255], 255);

  for (int contrast : {-100000, -256, -255, -1, 1, 255, 256, 100000})
    for (int bias : {-100000, -256, -255, 0, 255, 256, 100000})
      ExpectByteRampNonDecreasing(BuildLevelTable(contrast, bias),
                                  "contrast " + std::to_string(contrast) + " bias " + std::to_string(bias));
  const ToneTable black = BuildLevelTable(0, -300);
  const ToneTable white = BuildLevelTable(0, 300);
  EXPECT_EQ(black[255], 0);
  EXPECT_EQ(white[0], 255);
}

TEST(ToneTables, SampleRangeCoversPixelsButNotRowPadding) {
  CMemBitmap image;
  ASSERT_TRUE(image.Create(1, 2, kColorTrue));  // stride 4: one padding byte per row
  image.Fill(200, 90, 180);
  image.Row(1)[1] = 250;
  int lo = -1, hi = -1;
  SampleRange(image, lo, hi);
  EXPECT_EQ(lo, 90);
  EXPECT_EQ(hi, 250);

  CMemBitmap empty;
  SampleRange(empty, lo, hi);
  EXPECT_EQ(lo, 255);
  EXPECT_EQ(hi, 0);
}

} // namespace
