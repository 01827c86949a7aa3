#include "image/Resample.h"

#include "image/LinePlan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

// ---- A deliberately plain transcription of the arithmetic: one channel of
// one column or row at a time, unsigned 32-bit sums, a full intermediate
// image. Slow and obvious; the resampler must match it byte for byte.

void RefShrink(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep) {
  uint32_t sum = 0, total = 0;
  int c = 0;
  for (int k = 0; k < srcLen; ++k) {
    const uint32_t s = src[k * srcStep];
    int p = c + dstLen;
    if (p >= srcLen) {
      p -= srcLen;
      *dst = static_cast<uint8_t>((sum + s * static_cast<uint32_t>(dstLen - p)) /
                                  (total + static_cast<uint32_t>(dstLen - p)));
      dst += dstStep;
      sum = 0;
      total = 0;
    }
    sum += s * static_cast<uint32_t>(p);
    total += static_cast<uint32_t>(p);
    c = p;
  }
}

struct RefRecord {
  int32_t centre, previous, next, sum;
};

std::vector<RefRecord> RefWeights(int ns, int nd) {
  std::vector<RefRecord> out;
  const int a = nd / ns, half = ns / 2, limit = nd + half;
  int i = 0, d = half;
  for (int j = 0; j < nd; ++j) {
    const int e = j * ns - ns * (a / 2);
    const int f = e - i * nd;
    int g = std::abs(f);
    if (g > limit) g = -1;
    int prev = -1, next = -1;
    if (i > 0) {
      prev = std::abs(e - (i - 1) * nd);
      if (prev > limit) prev = -1;
    }
    if (i < ns - 1) {
      next = std::abs(f - nd);
      if (next > limit) next = -1;
    }
    uint32_t h = 1;  // wraps like the original's
    if (g != -1) h *= static_cast<uint32_t>(g);
    if (prev != -1) h *= static_cast<uint32_t>(prev);
    if (next != -1) h *= static_cast<uint32_t>(next);
    RefRecord r{g, prev, next, 0};
    uint32_t sum = 0;
    if (g != 0 && g != -1) sum += static_cast<uint32_t>(r.centre = static_cast<int32_t>(h / static_cast<uint32_t>(g)));
    if (prev != 0 && prev != -1)
      sum += static_cast<uint32_t>(r.previous = static_cast<int32_t>(h / static_cast<uint32_t>(prev)));
    if (next != 0 && next != -1)
      sum += static_cast<uint32_t>(r.next = static_cast<int32_t>(h / static_cast<uint32_t>(next)));
    r.sum = static_cast<int32_t>(sum);
    out.push_back(r);
    d += ns;
    if (d >= nd) {
      d -= nd;
      ++i;
    }
  }
  return out;
}

void RefEnlarge(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep) {
  const std::vector<RefRecord> w = RefWeights(srcLen, dstLen);
  int pos = 0, b = srcLen / 2;
  for (int j = 0; j < dstLen; ++j, dst += dstStep) {
    const RefRecord& r = w[static_cast<size_t>(j)];
    const uint8_t* s = src + pos * srcStep;
    if (r.centre == 0) {
      *dst = *s;
    } else {
      uint32_t v = r.centre == -1 ? 0 : static_cast<uint32_t>(r.centre) * s[0];
      if (r.previous != -1) v += static_cast<uint32_t>(r.previous) * s[-srcStep];
      if (r.next != -1) v += static_cast<uint32_t>(r.next) * s[srcStep];
      *dst = static_cast<uint8_t>(v / static_cast<uint32_t>(r.sum));
    }
    b += srcLen;
    if (b >= dstLen) {
      ++pos;
      b -= dstLen;
    }
  }
}

void RefLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep) {
  if (dstLen < srcLen)
    RefShrink(dst, dstLen, dstStep, src, srcLen, srcStep);
  else
    RefEnlarge(dst, dstLen, dstStep, src, srcLen, srcStep);
}

struct RefFit {
  int fw, fh, x0, y0;
};

RefFit RefFitting(int sw, int sh, int W, int H) {
  int fw, fh;
  if (sw == (sh / 3) * 4) {
    fw = W;
    fh = H;
  } else {
    bool width;
    if (sw < W && sh < H)
      width = W - sw < H - sh;
    else
      width = sw - W > sh - H;
    if (!width) {
      fh = H;
      fw = sw * H / sh;
      if (fw > W) width = true;
    }
    if (width) {
      fw = W;
      fh = sh * W / sw;
      if (fh > H) {
        fh = H;
        fw = H * sw / sh;
      }
    }
  }
  return RefFit{fw, fh, (std::abs(W - fw) + 1) / 2, (std::abs(H - fh) + 1) / 2};
}

using LineFn = void (*)(uint8_t*, int, int, const uint8_t*, int, int);

// The canvas rows (with padding) the resize must produce.
std::vector<uint8_t> RefResize(const CMemBitmap& src, int W, int H, LineFn line = RefLine) {
  const int sw = src.Width(), sh = src.Height();
  const RefFit fit = RefFitting(sw, sh, W, H);
  const int ss = (3 * sw + 3) & ~3, ts = (3 * W + 3) & ~3;
  std::vector<uint8_t> mid(static_cast<size_t>(ss) * fit.fh);
  if (fit.fh == sh) {
    std::memcpy(mid.data(), src.Bits(), mid.size());
  } else if (fit.fh > 0) {
    for (int x = 0; x < sw; ++x)
      for (int c = 0; c < 3; ++c) line(&mid[3 * x + c], fit.fh, ss, src.Bits() + 3 * x + c, sh, ss);
  }
  std::vector<uint8_t> out(static_cast<size_t>(ts) * H, 0);
  if (sw == fit.fw && W == fit.fw && fit.fh == H) return mid;
  for (int r = 0; r < fit.fh; ++r) {
    uint8_t* d = &out[static_cast<size_t>((fit.y0 + r) * ts + 3 * fit.x0)];
    const uint8_t* m = &mid[static_cast<size_t>(r * ss)];
    if (sw == fit.fw) {
      std::memcpy(d, m, 3 * static_cast<size_t>(sw));
    } else {
      for (int c = 0; c < 3; ++c) line(d + c, fit.fw, 3, m + c, sw, 3);
    }
  }
  return out;
}

// The library's own line kernels, column by column and row by row.
void KernelLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep) {
  if (dstLen < srcLen) {
    ShrinkLine(dst, dstLen, dstStep, src, srcLen, srcStep);
  } else {
    const std::vector<EnlargeWeight> w = BuildEnlargeWeights(srcLen, dstLen);
    EnlargeLine(dst, dstLen, dstStep, src, srcLen, srcStep, w.data());
  }
}

// ---- helpers

uint32_t g_seed = 12345;
uint8_t NextByte() {
  g_seed = g_seed * 1103515245u + 12345u;
  return static_cast<uint8_t>(g_seed >> 16);
}

std::vector<uint8_t> RandomLine(int n) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (auto& b : v) b = NextByte();
  return v;
}

// Noise with a white block and a black block, so sums reach their maxima.
void FillPicture(CMemBitmap& bmp, int w, int h) {
  ASSERT_TRUE(bmp.Create(w, h, kColorTrue));
  for (int y = 0; y < h; ++y) {
    uint8_t* p = bmp.Row(y);
    for (int x = 0; x < w; ++x, p += 3)
      for (int c = 0; c < 3; ++c) {
        if (x < w / 3 && y < h / 3)
          p[c] = 255;
        else if (x > 2 * w / 3 && y > 2 * h / 3)
          p[c] = 0;
        else
          p[c] = NextByte();
      }
  }
}

void FillSolid(CMemBitmap& bmp, int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  ASSERT_TRUE(bmp.Create(w, h, kColorTrue));
  bmp.Fill(b, g, r);
}

struct Resized {
  int rc = 0;
  CDibBitmap out;
  FitResult fit;
  std::string error;
};

void Resize(const CMemBitmap& src, int W, int H, Resized& r, DisplayOptions display = {}) {
  r.rc = ResizeBitmap(src, W, H, display, r.out, &r.fit, &r.error);
}

bool PixelIs(const CMemBitmap& bmp, int x, int memoryRow, uint8_t b, uint8_t g, uint8_t r) {
  const uint8_t* p = bmp.Row(memoryRow) + 3 * x;
  return p[0] == b && p[1] == g && p[2] == r;
}

// ---- fitting

TEST(ResampleFit, FourToThreeSourceIsStretchedToTheWholeCanvas) {
  const FitResult f = FitToCanvas(640, 480, 1024, 768);
  EXPECT_EQ(f.width, 1024);
  EXPECT_EQ(f.height, 768);
  EXPECT_EQ(f.x0, 0);
  EXPECT_EQ(f.y0, 0);
  // Stretched even when the canvas is not 4:3.
  const FitResult g = FitToCanvas(800, 600, 1000, 100);
  EXPECT_EQ(g.width, 1000);
  EXPECT_EQ(g.height, 100);
}

TEST(ResampleFit, PortraitSourceFitsByHeightAndIsCentred) {
  const FitResult f = FitToCanvas(480, 640, 1024, 768);
  EXPECT_EQ(f.width, 576);
  EXPECT_EQ(f.height, 768);
  EXPECT_EQ(f.x0, 224);
  EXPECT_EQ(f.y0, 0);
}

TEST(ResampleFit, WideSourceFitsByWidthWithRowOffset) {
  const FitResult f = FitToCanvas(3000, 2000, 1024, 768);
  EXPECT_EQ(f.width, 1024);
  EXPECT_EQ(f.height, 682);
  EXPECT_EQ(f.x0, 0);
  EXPECT_EQ(f.y0, 43);
}

TEST(ResampleFit, EnlargingChoosesTheSideWithLessRoomAndNeverOverflowsTheCanvas) {
  // Both sides smaller: 24 columns of room against 68 rows, so by width.
  FitResult f = FitToCanvas(1000, 700, 1024, 768);
  EXPECT_EQ(f.width, 1024);
  EXPECT_EQ(f.height, 716);
  // By height would be too wide for the canvas, so by width after all.
  f = FitToCanvas(30, 200, 10, 100);
  EXPECT_EQ(f.width, 10);
  EXPECT_EQ(f.height, 66);
  EXPECT_EQ(f.y0, 17);
  // By width would be too tall, so the height is capped and the width follows.
  f = FitToCanvas(50, 99, 100, 190);
  EXPECT_EQ(f.width, 95);
  EXPECT_EQ(f.height, 190);
  EXPECT_EQ(f.x0, 3);
  // An odd gap rounds the offset up.
  f = FitToCanvas(100, 100, 161, 120);
  EXPECT_EQ(f.width, 120);
  EXPECT_EQ(f.x0, 21);
  for (int sw : {1, 2, 3, 7, 99, 640, 1001, 5000})
    for (int sh : {1, 2, 5, 480, 999, 5000}) {
      const FitResult r = FitToCanvas(sw, sh, 160, 120);
      EXPECT_LE(r.x0 + r.width, 160) << sw << "x" << sh;
      EXPECT_LE(r.y0 + r.height, 120) << sw << "x" << sh;
      EXPECT_GE(r.width, 0);
      EXPECT_GE(r.height, 0);
    }
}

TEST(ResampleFit, EmptySizesGiveAnEmptyFit) {
  const FitResult f = FitToCanvas(0, 480, 1024, 768);
  EXPECT_EQ(f.width, 0);
  EXPECT_EQ(f.height, 0);
  EXPECT_EQ(FitToCanvas(640, 480, 0, 768).width, 0);
}

// ---- line kernels

TEST(ResampleShrinkLine, TwoToOneAveragesPairsAndTruncates) {
  const uint8_t src[6] = {10, 13, 255, 255, 0, 1};
  uint8_t dst[3] = {};
  ShrinkLine(dst, 3, 1, src, 6, 1);
  EXPECT_EQ(dst[0], 11);
  EXPECT_EQ(dst[1], 255);
  EXPECT_EQ(dst[2], 0);
}

TEST(ResampleShrinkLine, CellWeightsAreEndPositionsNotWidths) {
  // 3 into 1 weighs 1, 2, 1 (over 4); 4 into 1 weighs 1, 2, 3, 1 (over 7).
  auto one = [](std::vector<uint8_t> src) {
    uint8_t d = 0;
    ShrinkLine(&d, 1, 1, src.data(), static_cast<int>(src.size()), 1);
    return static_cast<int>(d);
  };
  EXPECT_EQ(one({255, 0, 0}), 255 / 4);
  EXPECT_EQ(one({0, 255, 0}), 510 / 4);
  EXPECT_EQ(one({0, 0, 255}), 255 / 4);
  EXPECT_EQ(one({255, 0, 0, 0}), 255 / 7);
  EXPECT_EQ(one({0, 255, 0, 0}), 510 / 7);
  EXPECT_EQ(one({0, 0, 255, 0}), 765 / 7);
  EXPECT_EQ(one({0, 0, 0, 255}), 255 / 7);
}

TEST(ResampleShrinkLine, StepsTouchOnlyTheirOwnChannel) {
  // Three interleaved channels, shrunk 6 -> 4 in the middle one.
  std::vector<uint8_t> src(18), dst(12, 0xEE);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(20 * i);
  ShrinkLine(dst.data() + 1, 4, 3, src.data() + 1, 6, 3);
  std::vector<uint8_t> expect(4);
  std::vector<uint8_t> middle = {src[1], src[4], src[7], src[10], src[13], src[16]};
  RefShrink(expect.data(), 4, 1, middle.data(), 6, 1);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(dst[3 * k + 1], expect[k]);
    EXPECT_EQ(dst[3 * k], 0xEE);
    EXPECT_EQ(dst[3 * k + 2], 0xEE);
  }
}

TEST(ResampleShrinkLine, RefusesToGrowALine) {
  uint8_t src[2] = {1, 2}, dst[4] = {9, 9, 9, 9};
  ShrinkLine(dst, 4, 1, src, 2, 1);
  EXPECT_EQ(dst[0], 9);
  EXPECT_EQ(dst[3], 9);
}

TEST(ResampleEnlargeWeights, TwoToFourMatchesTheHandWorkedRecords) {
  // limit 5; the first next distance (6) is beyond it; exact hits copy.
  const std::vector<EnlargeWeight> w = BuildEnlargeWeights(2, 4);
  ASSERT_EQ(w.size(), 4u);
  auto same = [](const EnlargeWeight& r, int64_t c, int64_t p, int64_t n, int64_t s) {
    return r.centre == c && r.previous == p && r.next == n && r.sum == s;
  };
  EXPECT_TRUE(same(w[0], 1, -1, -1, 1));
  EXPECT_TRUE(same(w[1], 0, -1, 0, 0));
  EXPECT_TRUE(same(w[2], 2, 2, -1, 4));
  EXPECT_TRUE(same(w[3], 0, 0, -1, 0));

  const uint8_t src[2] = {10, 20};
  uint8_t dst[4] = {};
  EnlargeLine(dst, 4, 1, src, 2, 1, w.data());
  EXPECT_EQ(dst[0], 10);
  EXPECT_EQ(dst[1], 10);
  EXPECT_EQ(dst[2], 15);
  EXPECT_EQ(dst[3], 20);
}

TEST(ResampleEnlargeWeights, AgreeWithThirtyTwoBitArithmeticAndNeverDivideByZero) {
  for (int ns = 1; ns <= 120; ++ns)
    for (int nd = ns + 1; nd <= 400; ++nd) {
      const std::vector<EnlargeWeight> w = BuildEnlargeWeights(ns, nd);
      const std::vector<RefRecord> r = RefWeights(ns, nd);
      ASSERT_EQ(w.size(), r.size());
      for (size_t j = 0; j < w.size(); ++j) {
        ASSERT_TRUE(w[j].centre == r[j].centre && w[j].previous == r[j].previous && w[j].next == r[j].next &&
                    w[j].sum == r[j].sum)
            << ns << " -> " << nd << " at " << j;
        ASSERT_TRUE(w[j].centre == 0 || w[j].sum > 0) << ns << " -> " << nd << " at " << j;
      }
    }
}

TEST(ResampleLines, MatchThePlainArithmeticForManyLengths) {
  for (int ns = 1; ns <= 70; ++ns)
    for (int nd = 1; nd <= 140; ++nd) {
      if (nd == ns) continue;
      const std::vector<uint8_t> src = RandomLine(ns);
      std::vector<uint8_t> got(static_cast<size_t>(nd)), want(static_cast<size_t>(nd));
      if (nd < ns) {
        ShrinkLine(got.data(), nd, 1, src.data(), ns, 1);
      } else {
        const std::vector<EnlargeWeight> w = BuildEnlargeWeights(ns, nd);
        EnlargeLine(got.data(), nd, 1, src.data(), ns, 1, w.data());
      }
      RefLine(want.data(), nd, 1, src.data(), ns, 1);
      ASSERT_EQ(got, want) << ns << " -> " << nd;
    }
  // The lengths the device conversion meets.
  const int pairs[][2] = {{4000, 768}, {6000, 1024}, {3000, 120}, {4000, 106}, {640, 1024}, {480, 768}, {1, 768}};
  for (const auto& pr : pairs) {
    const std::vector<uint8_t> src = RandomLine(pr[0]);
    std::vector<uint8_t> got(static_cast<size_t>(pr[1])), want(static_cast<size_t>(pr[1]));
    if (pr[1] < pr[0]) {
      ShrinkLine(got.data(), pr[1], 1, src.data(), pr[0], 1);
    } else {
      const std::vector<EnlargeWeight> w = BuildEnlargeWeights(pr[0], pr[1]);
      EnlargeLine(got.data(), pr[1], 1, src.data(), pr[0], 1, w.data());
    }
    RefLine(want.data(), pr[1], 1, src.data(), pr[0], 1);
    EXPECT_EQ(got, want) << pr[0] << " -> " << pr[1];
  }
}

TEST(ResampleLines, StayExactWhereThirtyTwoBitSumsWouldWrap) {
  // A white line must stay white. In 32 bits the 6000 -> 1 sum reaches
  // 255 x 18 million, and 1000 -> 3500 weight products pass 2^32.
  const std::vector<uint8_t> white(6000, 255);
  uint8_t one = 0, refOne = 0;
  ShrinkLine(&one, 1, 1, white.data(), 6000, 1);
  RefShrink(&refOne, 1, 1, white.data(), 6000, 1);
  EXPECT_EQ(one, 255);
  EXPECT_NE(refOne, 255);  // the wrap this guards against

  std::vector<uint8_t> big(3500);
  const std::vector<EnlargeWeight> w = BuildEnlargeWeights(1000, 3500);
  EnlargeLine(big.data(), 3500, 1, white.data(), 1000, 1, w.data());
  EXPECT_EQ(big, std::vector<uint8_t>(3500, 255));
  const std::vector<RefRecord> wrapped = RefWeights(1000, 3500);
  bool differs = false;
  for (size_t j = 0; j < w.size(); ++j) differs = differs || w[j].centre != wrapped[j].centre;
  EXPECT_TRUE(differs);  // likewise

  // Any ratio keeps a flat line flat.
  for (int ns : {1, 3, 17, 100})
    for (int nd : {ns + 1, 2 * ns + 1, 1000, 5000}) {
      if (nd <= ns) continue;
      std::vector<uint8_t> out(static_cast<size_t>(nd));
      const std::vector<EnlargeWeight> ww = BuildEnlargeWeights(ns, nd);
      EnlargeLine(out.data(), nd, 1, white.data(), ns, 1, ww.data());
      EXPECT_EQ(out, std::vector<uint8_t>(static_cast<size_t>(nd), 255)) << ns << " -> " << nd;
    }
}

TEST(ResampleEnlargeWeights, RejectsEmptyLengths) {
  EXPECT_TRUE(BuildEnlargeWeights(0, 10).empty());
  EXPECT_TRUE(BuildEnlargeWeights(10, 0).empty());
}

// ---- whole images

TEST(ResampleImage, MatchesThePlainArithmeticByteForByte) {
  const int cases[][4] = {
      {4000, 3000, 1024, 768},  // a 12 MP 4:3 photo, stretched
      {4000, 3000, 160, 120},   // and its thumbnail
      {3000, 2000, 1024, 768},  // 3:2, by width, y0 = 43
      {1500, 1000, 160, 120},   {1000, 700, 1024, 768},  // enlarged both ways
      {100, 600, 1024, 768},    // narrow, enlarged
      {800, 600, 1024, 480},    // 4:3 to a wide canvas: rows grow, columns shrink
      {640, 480, 320, 768},     // and the other way
      {301, 97, 160, 120},      // odd widths, padded rows
      {7, 5, 1024, 768},        {1, 1, 160, 120},
      {333, 251, 333, 251},     // same size
      {5000, 10, 160, 120},     // fits to zero rows
      {60, 7000, 160, 120},     // long column runs, summed at once
      {60, 9000, 160, 120},     // runs too long to hold their rows
  };
  // Every kind of vector code the processor has, down to none.
  for (int level : {2, 1, 0})
  for (const auto& c : cases) {
    resample::LimitVectors(level);
    CMemBitmap src;
    FillPicture(src, c[0], c[1]);
    Resized r;
    Resize(src, c[2], c[3], r);
    resample::LimitVectors(2);
    ASSERT_EQ(r.rc, 1) << r.error;
    ASSERT_EQ(r.out.Width(), c[2]);
    ASSERT_EQ(r.out.Height(), c[3]);
    EXPECT_EQ(r.out.ColorType(), kColorTrue);
    const std::vector<uint8_t> want = RefResize(src, c[2], c[3]);
    ASSERT_EQ(want.size(), static_cast<size_t>(r.out.Stride() * c[3]));
    EXPECT_EQ(0, std::memcmp(want.data(), r.out.Bits(), want.size()))
        << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3];
    const RefFit f = RefFitting(c[0], c[1], c[2], c[3]);
    EXPECT_EQ(r.fit.width, f.fw);
    EXPECT_EQ(r.fit.height, f.fh);
  }
}

TEST(ResampleImage, LargeWeightsGiveTheSameRowsAsTheLineKernels) {
  // Sizes whose weights leave 16 bits, or whose sums leave 32 bits, where
  // the row passes take their wider arithmetic.
  const int cases[][4] = {
      {2, 1000, 7, 3500},     // column weights above 2^16
      {2, 1000, 10, 5000},    // column sums above 2^32
      {1000, 2, 5000, 10},    // row sums above 2^32
      {10, 70000, 2, 20000},  // box weights above 2^16
  };
  for (int level : {2, 1, 0})
  for (const auto& c : cases) {
    resample::LimitVectors(level);
    CMemBitmap src;
    FillPicture(src, c[0], c[1]);
    Resized r;
    Resize(src, c[2], c[3], r);
    resample::LimitVectors(2);
    ASSERT_EQ(r.rc, 1) << r.error;
    const std::vector<uint8_t> want = RefResize(src, c[2], c[3], KernelLine);
    ASSERT_EQ(want.size(), static_cast<size_t>(r.out.Stride() * c[3]));
    EXPECT_EQ(0, std::memcmp(want.data(), r.out.Bits(), want.size()))
        << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3];
  }
}

TEST(ResampleImage, FourToThreeIsStretchedWithoutBorder) {
  CMemBitmap src;
  FillSolid(src, 640, 480, 10, 20, 30);
  Resized r;
  Resize(src, 1024, 768, r);
  ASSERT_EQ(r.rc, 1);
  EXPECT_EQ(r.fit.width, 1024);
  EXPECT_EQ(r.fit.height, 768);
  for (int y : {0, 383, 767})
    for (int x : {0, 511, 1023}) EXPECT_TRUE(PixelIs(r.out, x, y, 10, 20, 30)) << x << "," << y;
}

TEST(ResampleImage, PortraitIsCentredBetweenBlackColumns) {
  CMemBitmap src;
  FillSolid(src, 480, 640, 200, 150, 100);
  Resized r;
  Resize(src, 1024, 768, r);
  ASSERT_EQ(r.rc, 1);
  EXPECT_EQ(r.fit.width, 576);
  EXPECT_EQ(r.fit.height, 768);
  EXPECT_EQ(r.fit.x0, 224);
  for (int y : {0, 767}) {
    EXPECT_TRUE(PixelIs(r.out, 0, y, 0, 0, 0));
    EXPECT_TRUE(PixelIs(r.out, 223, y, 0, 0, 0));
    EXPECT_TRUE(PixelIs(r.out, 224, y, 200, 150, 100));
    EXPECT_TRUE(PixelIs(r.out, 799, y, 200, 150, 100));
    EXPECT_TRUE(PixelIs(r.out, 800, y, 0, 0, 0));
    EXPECT_TRUE(PixelIs(r.out, 1023, y, 0, 0, 0));
  }
}

TEST(ResampleImage, WidePictureStartsAtMemoryRowY0FromTheBottom) {
  CMemBitmap src;
  FillSolid(src, 3000, 2000, 255, 255, 255);
  Resized r;
  Resize(src, 1024, 768, r);
  ASSERT_EQ(r.rc, 1);
  EXPECT_EQ(r.fit.height, 682);
  EXPECT_EQ(r.fit.y0, 43);
  EXPECT_TRUE(PixelIs(r.out, 0, 42, 0, 0, 0));
  EXPECT_TRUE(PixelIs(r.out, 0, 43, 255, 255, 255));
  EXPECT_TRUE(PixelIs(r.out, 1023, 724, 255, 255, 255));
  EXPECT_TRUE(PixelIs(r.out, 1023, 725, 0, 0, 0));
}

TEST(ResampleImage, SameSizeCopiesThePixels) {
  CMemBitmap src;
  FillPicture(src, 333, 251);
  Resized r;
  Resize(src, 333, 251, r);
  ASSERT_EQ(r.rc, 1);
  for (int y = 0; y < 251; ++y) ASSERT_EQ(0, std::memcmp(src.Row(y), r.out.Row(y), 3 * 333)) << y;
}

TEST(ResampleImage, EmptySourceOrCanvasIsReportedAndLeavesNoImage) {
  CMemBitmap empty;
  Resized r;
  Resize(empty, 160, 120, r);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.error, kCantMakeDib);
  EXPECT_TRUE(r.out.IsEmpty());

  CMemBitmap src;
  FillSolid(src, 10, 10, 1, 2, 3);
  for (auto wh : {std::pair<int, int>{0, 120}, {160, 0}, {-5, 10}, {1 << 30, 1 << 30}}) {
    Resized z;
    Resize(src, wh.first, wh.second, z);
    EXPECT_EQ(z.rc, 0) << wh.first << "x" << wh.second;
    EXPECT_EQ(z.error, kCantMakeBitmap);
    EXPECT_TRUE(z.out.IsEmpty());
  }
}

TEST(ResampleImage, ResultGoesThroughTheDisplayConversion) {
  CMemBitmap src;
  FillPicture(src, 200, 100);
  Resized r;
  DisplayOptions eightBit;
  eightBit.depth = 8;
  Resize(src, 160, 120, r, eightBit);
  ASSERT_EQ(r.rc, 1);
  EXPECT_EQ(r.out.ColorType(), kColor256);
  EXPECT_EQ(r.out.Palette().size(), 256u);
}

TEST(ResampleBlank, IsAWhiteCanvasOfTheSize) {
  CDibBitmap out;
  std::string error;
  ASSERT_EQ(MakeBlankImage(1024, 768, DisplayOptions{}, out, &error), 1);
  EXPECT_EQ(out.Width(), 1024);
  EXPECT_EQ(out.Height(), 768);
  EXPECT_EQ(out.ColorType(), kColorTrue);
  for (int y : {0, 767})
    for (int x : {0, 1023}) EXPECT_TRUE(PixelIs(out, x, y, 255, 255, 255));

  CDibBitmap bad;
  EXPECT_EQ(MakeBlankImage(0, 768, DisplayOptions{}, bad, &error), 0);
  EXPECT_EQ(error, kCantMakeBitmap);
}

} // namespace
} // namespace qv
