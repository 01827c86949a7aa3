// The resampler fed row by row: from either end, with or without room to
// read past a row, and reused across pictures, it makes the canvas the
// whole-image resize makes (whose arithmetic Resample_test checks).
#include "image/RowResampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace qv {
namespace {

uint32_t g_seed = 777;
uint8_t NextByte() {
  g_seed = g_seed * 1103515245u + 12345u;
  return static_cast<uint8_t>(g_seed >> 16);
}

// Noise with a white and a black block, so sums reach both ends.
void FillPicture(CMemBitmap& bmp, int w, int h) {
  ASSERT_TRUE(bmp.Create(w, h, kColorTrue));
  for (int y = 0; y < h; ++y) {
    uint8_t* p = bmp.Row(y);
    for (int x = 0; x < w; ++x, p += 3)
      for (int c = 0; c < 3; ++c) p[c] = x < w / 3 && y < h / 3 ? 255 : (x > 2 * w / 3 && y > h / 2 ? 0 : NextByte());
  }
}

PixelBytes Whole(const CMemBitmap& src, int W, int H) {
  CDibBitmap out;
  FitResult fit;
  std::string error;
  EXPECT_EQ(ResizeBitmap(src, W, H, DisplayOptions{}, out, &fit, &error), 1) << error;
  return out.TakeRows();
}

// Rows handed over as a decoder does: one at a time through a buffer of
// their own, which is overwritten afterwards.
PixelBytes Streamed(CRowResampler& r, const CMemBitmap& src, int W, int H, bool topFirst, bool slack) {
  r.Begin(src.Width(), src.Height(), W, H, topFirst);
  std::vector<uint8_t> row(3 * static_cast<size_t>(src.Width()) + (slack ? 16 : 0));
  for (int n = 0; n < src.Height(); ++n) {
    EXPECT_FALSE(r.Complete());
    const int k = topFirst ? src.Height() - 1 - n : n;
    std::memcpy(row.data(), src.Row(k), 3 * static_cast<size_t>(src.Width()));
    r.PushRow(row.data(), slack);
    std::memset(row.data(), 0xA5, row.size());
  }
  EXPECT_TRUE(r.Complete());
  return r.TakeCanvas();
}

// Rows the caller keeps in a ring just long enough, as the batch's decoder
// does: a row read after it left the ring is another row by then.
PixelBytes StreamedKept(CRowResampler& r, const CMemBitmap& src, int W, int H, bool topFirst) {
  r.Begin(src.Width(), src.Height(), W, H, topFirst);
  r.CallerKeepsRows();
  const size_t bytes = 3 * static_cast<size_t>(src.Width()) + 16;
  std::vector<uint8_t> ring(bytes * static_cast<size_t>(r.RowsReadAgain() + 1));
  for (int n = 0; n < src.Height(); ++n) {
    const int k = topFirst ? src.Height() - 1 - n : n;
    uint8_t* row = ring.data() + bytes * static_cast<size_t>(n % (r.RowsReadAgain() + 1));
    std::memcpy(row, src.Row(k), bytes - 16);
    r.PushRow(row, true);
  }
  return r.TakeCanvas();
}

TEST(RowResampler, EitherOrderGivesTheWholeImageResizeForEveryKindOfPlan) {
  const int cases[][4] = {
      {4608, 3456, 1024, 768}, {4608, 3456, 160, 120},  // 16 MP, shrunk both ways
      {3000, 4000, 1024, 768},                          // portrait, centred
      {640, 480, 1024, 768},   {100, 75, 1024, 768},    // enlarged, weights reduced
      {600, 400, 1024, 768},   {59, 100, 160, 120},     // enlarged, large weights
      {1000, 700, 1024, 768},  {301, 97, 160, 120},     // mixed, odd widths
      {2, 1000, 7, 3500},      {2, 1000, 10, 5000},     // wide column sums
      {1000, 2, 5000, 10},     {10, 70000, 2, 20000},   // wide row sums, long runs
      {333, 251, 333, 251},    {1024, 500, 1024, 768},  // unchanged sides
      {5000, 10, 160, 120},    {1, 1, 160, 120},
  };
  CRowResampler reused;
  for (const auto& c : cases) {
    CMemBitmap src;
    FillPicture(src, c[0], c[1]);
    const PixelBytes want = Whole(src, c[2], c[3]);
    for (bool topFirst : {true, false})
      for (bool slack : {true, false}) {
        CRowResampler fresh;
        EXPECT_TRUE(Streamed(fresh, src, c[2], c[3], topFirst, slack) == want)
            << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3] << (topFirst ? " top first" : " bottom first")
            << (slack ? " with slack" : "");
      }
    CRowResampler kept;
    EXPECT_TRUE(StreamedKept(kept, src, c[2], c[3], true) == want) << c[0] << "x" << c[1] << " rows kept";
    EXPECT_TRUE(StreamedKept(kept, src, c[2], c[3], false) == want) << c[0] << "x" << c[1] << " rows kept";
    // A resampler kept from the last picture plans again for other sizes,
    // and a canvas made in memory given back holding another picture is
    // black again around the new one.
    EXPECT_TRUE(Streamed(reused, src, c[2], c[3], true, true) == want) << c[0] << "x" << c[1];
    reused.Recycle(PixelBytes(want.size(), 0x5A));
    EXPECT_TRUE(Streamed(reused, src, c[2], c[3], true, true) == want) << c[0] << "x" << c[1] << " again";
    EXPECT_EQ(reused.Fit().width, FitToCanvas(c[0], c[1], c[2], c[3]).width);
  }
}

} // namespace
} // namespace qv

namespace qv {
namespace {

// Landscape and portrait photos in turn, and a few other sizes between:
// plans kept from earlier pictures serve their size again.
TEST(RowResampler, PlansKeptForEarlierSizesGiveTheSameCanvas) {
  const int sizes[][2] = {{640, 480}, {480, 640}, {640, 480}, {300, 200}, {200, 300}, {97, 61}, {61, 97}, {200, 300}};
  CRowResampler one;
  for (const auto& s : sizes) {
    CMemBitmap src;
    FillPicture(src, s[0], s[1]);
    const PixelBytes want = Whole(src, 160, 120);
    EXPECT_TRUE(Streamed(one, src, 160, 120, true, true) == want) << s[0] << "x" << s[1];
    EXPECT_EQ(one.Fit().width, FitToCanvas(s[0], s[1], 160, 120).width);
  }
}

} // namespace
} // namespace qv
