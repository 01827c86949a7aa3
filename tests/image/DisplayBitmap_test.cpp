#include "image/DisplayBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image/FixedPalette.h"

namespace qv {
namespace {

// Bottom-up 24-bit rows; pixel(x, memoryRow) gives blue, green, red.
template <typename F>
PixelBytes MakeRows(int width, int height, F pixel) {
  const size_t stride = static_cast<size_t>(DibStride(width, 24));
  PixelBytes rows(stride * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const RgbQuad q = pixel(x, y);
      uint8_t* p = rows.data() + y * stride + 3 * x;
      p[0] = q.rgbBlue;
      p[1] = q.rgbGreen;
      p[2] = q.rgbRed;
    }
  return rows;
}

RgbQuad Bgr(int b, int g, int r) {
  return RgbQuad{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

std::vector<RgbQuad> FixedPalette(int n) {
  std::vector<RgbQuad> p(static_cast<size_t>(n));
  FillFixedPalette(p.data(), n);
  return p;
}

bool SameColour(const RgbQuad& a, const RgbQuad& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

// Every pixel of the buffer is an entry of `palette`.
bool AllPixelsIn(const CMemBitmap& bmp, const std::vector<RgbQuad>& palette) {
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const uint8_t* p = bmp.Row(y) + 3 * x;
      bool found = false;
      for (const RgbQuad& q : palette) found = found || SameColour(q, Bgr(p[0], p[1], p[2]));
      if (!found) return false;
    }
  return true;
}

DisplayOptions Display(int depth, bool ditherFor16bit = false) {
  DisplayOptions o;
  o.depth = depth;
  o.ditherFor16bit = ditherFor16bit;
  return o;
}

TEST(DisplayBitmapDepth, ChoosesTheDitherByDisplayDepthAndSetting) {
  struct Case {
    int depth;
    bool setting;
    int colors;
  } cases[] = {{1, false, 16},  {4, false, 16},   {5, false, 64},           {7, false, 64},
               {8, false, 256}, {14, false, 256}, {15, false, 0},           {16, false, 0},
               {24, false, 0},  {32, false, 0},   {15, true, kDither15bit}, {16, true, kDither15bit},
               {23, true, kDither15bit},          {24, true, 0},            {8, true, 256}};
  for (const Case& c : cases)
    EXPECT_EQ(DisplayDitherColors(Display(c.depth, c.setting)), c.colors) << c.depth << " " << c.setting;
}

TEST(DisplayBitmap, TrueColourDisplayAdoptsTheRowsUnchanged) {
  auto pixel = [](int x, int y) { return Bgr(x * 7, y * 11, x + y); };
  for (const DisplayOptions& o : {Display(24), Display(16), Display(15), Display(32, true)}) {
    CDibBitmap bmp;
    ASSERT_TRUE(MakeDisplayBitmap(bmp, 13, 9, MakeRows(13, 9, pixel), o));
    EXPECT_EQ(bmp.ColorType(), kColorTrue);
    EXPECT_TRUE(bmp.Palette().empty());
    const PixelBytes want = MakeRows(13, 9, pixel);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), bmp.Bits())) << o.depth;
  }
}

TEST(DisplayBitmap, RowsThatDoNotMatchTheSizeAreRefused) {
  CDibBitmap bmp;
  EXPECT_FALSE(MakeDisplayBitmap(bmp, 13, 9, PixelBytes(10), Display(24)));
  EXPECT_FALSE(MakeDisplayBitmap(bmp, 13, 9, PixelBytes(10), Display(8)));
  EXPECT_FALSE(DitherForDisplay(bmp, 2, 2, MakeRows(2, 2, [](int, int) { return Bgr(1, 2, 3); }), 32));
}

TEST(DisplayBitmap332, EightBitDisplayGivesIndicesOnTheFixedPalette) {
  // Grey 100 on the 2 x 2 matrix 0 3 / 2 1: matrix value 0 gives b 1, r 2,
  // g 2 (index 73); the others b 1, r 3, g 3 (index 109). Black and white
  // stay index 0 and 255 at every matrix position.
  auto pixel = [](int, int y) {
    if (y < 2) return Bgr(100, 100, 100);
    return y == 2 ? Bgr(0, 0, 0) : Bgr(255, 255, 255);
  };
  CDibBitmap bmp;
  ASSERT_TRUE(MakeDisplayBitmap(bmp, 2, 4, MakeRows(2, 4, pixel), Display(8)));
  EXPECT_EQ(bmp.ColorType(), kColor256);
  const std::vector<RgbQuad> fixed = FixedPalette(256);
  ASSERT_EQ(bmp.Palette().size(), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColour(bmp.Palette()[i], fixed[i])) << i;

  const BitmapInfoHeader* h = bmp.ExportDib(kColor256);
  ASSERT_NE(h, nullptr);
  const uint8_t* bits = bmp.DibBits();
  const size_t s8 = static_cast<size_t>(DibStride(2, 8));
  EXPECT_EQ(bits[0], 73);
  EXPECT_EQ(bits[1], 109);
  EXPECT_EQ(bits[s8], 109);
  EXPECT_EQ(bits[s8 + 1], 109);
  for (int x = 0; x < 2; ++x) {
    EXPECT_EQ(bits[2 * s8 + x], 0);
    EXPECT_EQ(bits[3 * s8 + x], 255);
  }
}

TEST(DisplayBitmap332, PaletteColoursAtEveryLevelSurviveAndResultsStayOnThePalette) {
  // Pure red, green and blue at full strength map to the palette's own
  // entries whatever the matrix position; any input lands on the palette.
  auto pixel = [](int x, int y) { return Bgr((x * 37 + y) & 255, (x * 11 + y * 5) & 255, (y * 29) & 255); };
  CDibBitmap bmp;
  ASSERT_TRUE(MakeDisplayBitmap(bmp, 64, 64, MakeRows(64, 64, pixel), Display(8)));
  EXPECT_TRUE(AllPixelsIn(bmp, FixedPalette(256)));

  CDibBitmap pure;
  auto primaries = [](int x, int) { return x % 3 == 0 ? Bgr(255, 0, 0) : x % 3 == 1 ? Bgr(0, 255, 0) : Bgr(0, 0, 255); };
  ASSERT_TRUE(MakeDisplayBitmap(pure, 6, 2, MakeRows(6, 2, primaries), Display(8)));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint8_t* p = pure.Row(y) + 3 * x;
      const RgbQuad want = primaries(x, y);
      EXPECT_TRUE(SameColour(Bgr(p[0], p[1], p[2]), want)) << x << "," << y;
    }
}

TEST(DisplayBitmap15, RaisesByTheBitPatternAndNeverPassesWhite) {
  // Row 0: every component value 0..255 repeated over eight phases.
  const int width = 256 * 8;
  auto pixel = [](int x, int) {
    const int v = x / 8;
    return Bgr(v, v, v);
  };
  CDibBitmap bmp;
  ASSERT_TRUE(MakeDisplayBitmap(bmp, width, 9, MakeRows(width, 9, pixel), Display(16, true)));
  EXPECT_EQ(bmp.ColorType(), kColorTrue);
  EXPECT_TRUE(bmp.Palette().empty());

  for (int y = 0; y < 9; ++y) {
    const uint8_t* row = bmp.Row(y);
    for (int v = 0; v < 256; ++v) {
      int raised = 0;
      for (int k = 0; k < 8; ++k) {
        const uint8_t* p = row + 3 * (8 * v + k);
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
        if (p[0] != v) {
          ++raised;
          ASSERT_EQ(p[0], v >= 249 ? 255 : v + 7) << v;
        }
      }
      // Of eight consecutive phases, as many raise a value as its low three
      // bits say; 0 never moves, and 255 cannot show a rise.
      EXPECT_EQ(raised, v == 0 || v == 255 ? 0 : v & 7) << "value " << v << " row " << y;
    }
  }
  EXPECT_TRUE(std::equal(bmp.Row(0), bmp.Row(0) + 3 * width, bmp.Row(8)));
}

TEST(DisplayBitmap15, EachRowStartsThreePhasesOnFromTheRowBelow) {
  // Value 3 rises on phases 1, 4 and 7 only, so a shifted start shows.
  const int width = 64;
  CDibBitmap bmp;
  ASSERT_TRUE(MakeDisplayBitmap(bmp, width, 8, MakeRows(width, 8, [](int, int) { return Bgr(3, 3, 3); }),
                                Display(15, true)));
  const int start[8] = {0, 3, 6, 1, 4, 7, 2, 5};
  const uint8_t* bottom = bmp.Row(0);
  for (int y = 1; y < 8; ++y)
    for (int x = 0; x + start[y] < width; ++x)
      EXPECT_EQ(bmp.Row(y)[3 * x], bottom[3 * (x + start[y])]) << x << "," << y;
  EXPECT_EQ(bottom[0], 3);
  EXPECT_EQ(bottom[3], 10);
}

TEST(DisplayBitmapFewColours, SixteenAndSixtyFourColourDisplaysUseOnlyTheFixedPalette) {
  auto pixel = [](int x, int y) { return Bgr((x * 13) & 255, (y * 17) & 255, (x * y) & 255); };
  for (int depth : {4, 6}) {
    const int colors = depth == 4 ? 16 : 64;
    CDibBitmap bmp;
    ASSERT_TRUE(MakeDisplayBitmap(bmp, 40, 30, MakeRows(40, 30, pixel), Display(depth)));
    EXPECT_EQ(bmp.ColorType(), kColor256);
    const std::vector<RgbQuad> fixed = FixedPalette(colors);
    ASSERT_EQ(bmp.Palette().size(), static_cast<size_t>(colors));
    EXPECT_TRUE(AllPixelsIn(bmp, fixed)) << colors;

    // The palette's own colours come back as themselves.
    CDibBitmap own;
    auto entry = [&fixed, colors](int x, int) { return fixed[static_cast<size_t>(x % colors)]; };
    ASSERT_TRUE(MakeDisplayBitmap(own, colors, 1, MakeRows(colors, 1, entry), Display(depth)));
    ASSERT_NE(own.ExportDib(kColor256), nullptr);
    for (int x = 0; x < colors; ++x) EXPECT_EQ(own.DibBits()[x], x) << colors;
  }
}

} // namespace
} // namespace qv
