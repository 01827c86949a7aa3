#include "image/Orientation.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/TestSupport.h"

namespace qv {
namespace {

// A picture as seen: top row first, red-green-blue per pixel.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
  uint8_t* At(int x, int y) { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
};

PixelBytes ToRows(const Picture& p) {
  const int64_t stride = DibStride(p.width, 24);
  PixelBytes rows(static_cast<size_t>(stride * p.height), 0xEE);  // padding not zero on purpose
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = rows.data() + (p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      row[3 * x] = p.At(x, y)[2];
      row[3 * x + 1] = p.At(x, y)[1];
      row[3 * x + 2] = p.At(x, y)[0];
    }
  }
  return rows;
}

Picture FromRows(const PixelBytes& rows, int width, int height) {
  Picture p{width, height, std::vector<uint8_t>(3 * static_cast<size_t>(width) * height)};
  const int64_t stride = DibStride(width, 24);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = rows.data() + (height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      p.At(x, y)[0] = row[3 * x + 2];
      p.At(x, y)[1] = row[3 * x + 1];
      p.At(x, y)[2] = row[3 * x];
    }
  }
  return p;
}

// Where stored pixel (column c, row r) is seen, straight from the meaning of
// each value: which visual side stored row 0 and stored column 0 lie on.
void SeenAt(int orientation, int c, int r, int seenWidth, int seenHeight, int& x, int& y) {
  switch (orientation) {
  case 2: x = seenWidth - 1 - c; y = r; break;                   // row 0 top, column 0 right
  case 3: x = seenWidth - 1 - c; y = seenHeight - 1 - r; break;  // row 0 bottom, column 0 right
  case 4: x = c; y = seenHeight - 1 - r; break;                  // row 0 bottom, column 0 left
  case 5: x = r; y = c; break;                                   // row 0 left, column 0 top
  case 6: x = seenWidth - 1 - r; y = c; break;                   // row 0 right, column 0 top
  case 7: x = seenWidth - 1 - r; y = seenHeight - 1 - c; break;  // row 0 right, column 0 bottom
  case 8: x = r; y = seenHeight - 1 - c; break;                  // row 0 left, column 0 bottom
  default: x = c; y = r; break;
  }
}

// What a camera held this way stores for an upright view.
Picture StoredForm(const Picture& seen, int orientation) {
  const bool swaps = orientation >= 5 && orientation <= 8;
  Picture s{swaps ? seen.height : seen.width, swaps ? seen.width : seen.height, {}};
  s.rgb.resize(seen.rgb.size());
  for (int r = 0; r < s.height; ++r)
    for (int c = 0; c < s.width; ++c) {
      int x, y;
      SeenAt(orientation, c, r, seen.width, seen.height, x, y);
      std::memcpy(s.At(c, r), seen.At(x, y), 3);
    }
  return s;
}

// Pixel (x, y) of a stored 5 x 3 picture carries its own coordinates.
Picture Labelled(int width, int height) {
  Picture p{width, height, std::vector<uint8_t>(3 * static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      p.At(x, y)[0] = static_cast<uint8_t>(x);
      p.At(x, y)[1] = static_cast<uint8_t>(y);
      p.At(x, y)[2] = static_cast<uint8_t>(200 + x + 10 * y);
    }
  return p;
}

struct Corner {
  int x, y;
};

TEST(Orientation, EachValueBringsTheStoredCornersWhereTheyAreSeen) {
  // Stored 5 wide, 3 high; seen top-left, top-right, bottom-left, bottom-right.
  const struct {
    int value, width, height;
    Corner tl, tr, bl, br;
  } cases[] = {
      {1, 5, 3, {0, 0}, {4, 0}, {0, 2}, {4, 2}},
      {2, 5, 3, {4, 0}, {0, 0}, {4, 2}, {0, 2}},
      {3, 5, 3, {4, 2}, {0, 2}, {4, 0}, {0, 0}},
      {4, 5, 3, {0, 2}, {4, 2}, {0, 0}, {4, 0}},
      {5, 3, 5, {0, 0}, {0, 2}, {4, 0}, {4, 2}},
      {6, 3, 5, {0, 2}, {0, 0}, {4, 2}, {4, 0}},  // turned clockwise: stored bottom-left goes top-left
      {7, 3, 5, {4, 2}, {4, 0}, {0, 2}, {0, 0}},
      {8, 3, 5, {4, 0}, {4, 2}, {0, 0}, {0, 2}},  // turned counter-clockwise
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    PixelBytes rows = ToRows(Labelled(5, 3));
    int w = 0, h = 0;
    ASSERT_TRUE(ApplyOrientation(c.value, 5, 3, rows, w, h));
    ASSERT_EQ(w, c.width);
    ASSERT_EQ(h, c.height);
    ASSERT_EQ(rows.size(), static_cast<size_t>(DibStride(w, 24) * h));
    const Picture seen = FromRows(rows, w, h);
    const Corner got[4] = {{seen.At(0, 0)[0], seen.At(0, 0)[1]},
                           {seen.At(w - 1, 0)[0], seen.At(w - 1, 0)[1]},
                           {seen.At(0, h - 1)[0], seen.At(0, h - 1)[1]},
                           {seen.At(w - 1, h - 1)[0], seen.At(w - 1, h - 1)[1]}};
    const Corner want[4] = {c.tl, c.tr, c.bl, c.br};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(got[i].x, want[i].x) << "corner " << i;
      EXPECT_EQ(got[i].y, want[i].y) << "corner " << i;
    }
  }
}

TEST(Orientation, EveryStoredFormOfARealPhotoComesBackUprightExactly) {
  // Larger than one tile and not a multiple of it; odd widths give padding.
  for (const auto& size : {std::pair<int, int>{150, 97}, std::pair<int, int>{67, 129}, std::pair<int, int>{1, 9}}) {
    const int w = size.first, h = size.second;
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    test::DecodedJpeg decoded;
    ASSERT_TRUE(test::DecodeJpeg(test::EncodeJpeg(test::MakeTestPicture(w, h), w, h, 3, 85), decoded));
    const Picture upright{decoded.width, decoded.height, decoded.pixels};
    for (int value = 1; value <= 8; ++value) {
      SCOPED_TRACE(value);
      const Picture stored = StoredForm(upright, value);
      PixelBytes rows = ToRows(stored);
      int outW = 0, outH = 0;
      ASSERT_TRUE(ApplyOrientation(value, stored.width, stored.height, rows, outW, outH));
      ASSERT_EQ(outW, w);
      ASSERT_EQ(outH, h);
      EXPECT_EQ(FromRows(rows, outW, outH).rgb, upright.rgb);
    }
  }
}

TEST(Orientation, QuarterTurnsLeaveZeroPaddingInTheNewRows) {
  Picture p = Labelled(5, 3);  // turned: 3 wide, rows of 9 bytes padded to 12
  for (int value = 5; value <= 8; ++value) {
    PixelBytes rows = ToRows(p);
    int w, h;
    ASSERT_TRUE(ApplyOrientation(value, 5, 3, rows, w, h));
    for (int y = 0; y < h; ++y)
      for (int i = 9; i < 12; ++i) EXPECT_EQ(rows[static_cast<size_t>(y) * 12 + i], 0) << value;
  }
}

TEST(Orientation, ValuesOutsideTwoToEightLeaveThePictureAlone) {
  const PixelBytes original = ToRows(Labelled(5, 3));
  for (int value : {1, 0, -1, 9, 65535, INT_MIN}) {
    PixelBytes rows = original;
    int w = 0, h = 0;
    EXPECT_TRUE(ApplyOrientation(value, 5, 3, rows, w, h)) << value;
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(rows, original) << value;
  }
}

TEST(Orientation, RowsThatDoNotMatchTheSizeAreRefusedUntouched) {
  const PixelBytes original = ToRows(Labelled(5, 3));
  const std::pair<int, int> sizes[] = {{6, 3}, {5, 4}, {0, 3}, {5, 0}, {-5, 3}, {INT_MAX, INT_MAX}, {INT_MAX, 2}};
  for (const auto& s : sizes)
    for (int value : {2, 3, 6}) {
      PixelBytes rows = original;
      int w = 0, h = 0;
      EXPECT_FALSE(ApplyOrientation(value, s.first, s.second, rows, w, h)) << s.first << "x" << s.second;
      EXPECT_EQ(w, s.first);
      EXPECT_EQ(h, s.second);
      EXPECT_EQ(rows, original);
    }
}

TEST(Orientation, ABitmapKeepsItsColourTypeAndPalette) {
  for (int value : {3, 6}) {
    CMemBitmap bmp;
    ASSERT_TRUE(bmp.Create(5, 3, kColor16));
    const RgbQuad pal[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    bmp.SetPalette(pal, 2);
    const Picture labelled = Labelled(5, 3);
    const PixelBytes rows = ToRows(labelled);
    std::memcpy(bmp.Bits(), rows.data(), rows.size());
    ASSERT_TRUE(ApplyOrientation(value, bmp));
    PixelBytes expected = rows;
    int w, h;
    ASSERT_TRUE(ApplyOrientation(value, 5, 3, expected, w, h));
    EXPECT_EQ(bmp.Width(), w);
    EXPECT_EQ(bmp.Height(), h);
    EXPECT_EQ(bmp.ColorType(), kColor16);
    ASSERT_EQ(bmp.Palette().size(), 2u);
    EXPECT_EQ(bmp.Palette()[1].rgbRed, 6);
    EXPECT_EQ(PixelBytes(bmp.Bits(), bmp.Bits() + expected.size()), expected);
  }
  CMemBitmap empty;
  EXPECT_FALSE(ApplyOrientation(6, empty));
  EXPECT_TRUE(ApplyOrientation(1, empty));
}

// Run in a child whose address space is capped just above the source, so
// the second buffer really cannot be had.
TEST(Orientation, WithoutMemoryForTheResultThePictureStaysAsItWas) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer allocators abort instead of failing";
#endif
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int w = 4000, h = 3000;
    PixelBytes rows(static_cast<size_t>(DibStride(w, 24) * h));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
    const uint8_t probe = rows[123456];
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    if (pages == 0) _exit(2);
    const rlimit cap{static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (8 << 20), RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(2);
    int outW = 0, outH = 0;
    const bool ok = ApplyOrientation(6, w, h, rows, outW, outH);
    _exit(!ok && outW == w && outH == h && rows.size() == static_cast<size_t>(DibStride(w, 24) * h) &&
                  rows[123456] == probe
              ? 0
              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "could not cap the address space";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace qv
