// The JPEG reader on today's photos: sources over 5000 pixels decoded at
// libjpeg's own M/8 scale, and Exif Orientation applied, both exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <jpeglib.h>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

// Bare libjpeg at scale num/8: RGB rows, top row first.
test::DecodedJpeg ScaledDecode(const std::vector<uint8_t>& bytes, int num) {
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  c.scale_num = static_cast<unsigned>(num);
  c.scale_denom = 8;
  jpeg_start_decompress(&c);
  test::DecodedJpeg d;
  d.width = static_cast<int>(c.output_width);
  d.height = static_cast<int>(c.output_height);
  d.pixels.resize(static_cast<size_t>(d.width) * d.height * 3);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = &d.pixels[static_cast<size_t>(c.output_scanline) * d.width * 3];
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return d;
}

// The document's picture as RGB rows, top row first.
std::vector<uint8_t> Shown(const CImageDoc& doc) {
  const CDibBitmap& b = doc.Bitmap();
  std::vector<uint8_t> out;
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.Row(b.Height() - 1 - y);
    for (int x = 0; x < b.Width(); ++x) out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return out;
}

std::vector<uint8_t> WithOrientation(std::vector<uint8_t> jpeg, int value) {
  const std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                                     0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<uint8_t>(value), 0, 0,
                                     0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

// The rows a streamed load hands over, put back into memory rows.
struct CollectedRows : IDecodedRows {
  int width = 0, height = 0, next = 0;
  bool topFirst = true;
  std::vector<uint8_t> bits;
  bool BeginRows(int w, int h, bool top) override {
    width = w, height = h, topFirst = top, next = 0;
    bits.assign(static_cast<size_t>(DibStride(w, 24)) * h, 0);
    return true;
  }
  void PushRow(const uint8_t* row, bool) override {
    const int k = topFirst ? height - 1 - next : next;
    ++next;
    std::memcpy(&bits[static_cast<size_t>(k) * DibStride(width, 24)], row, 3 * static_cast<size_t>(width));
  }
};

class LoadUpright : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(dir.File(name), bytes);
    return dir.File(name);
  }
};

TEST_F(LoadUpright, SourcesOverTheLimitAreTheLibrarysOwnScaledDecode) {
  struct Case {
    int w, h, num;
  };
  for (const Case c : {Case{6000, 4000, 6}, Case{5001, 10, 7}, Case{8000, 6000, 5}, Case{10, 39000, 1}}) {
    const auto bytes = test::EncodeJpeg(test::MakeTestPicture(c.w, c.h), c.w, c.h, 3, 80);
    CImageDoc doc(app);
    ASSERT_EQ(doc.ReadJpeg(Write("big.jpg", bytes)), 1) << c.w << "x" << c.h;
    const test::DecodedJpeg want = ScaledDecode(bytes, c.num);
    ASSERT_EQ(doc.Bitmap().Width(), want.width);
    ASSERT_EQ(doc.Bitmap().Height(), want.height);
    EXPECT_TRUE(Shown(doc) == want.pixels) << c.w << "x" << c.h;
    char note[64];
    std::snprintf(note, sizeof note, " (shown at %d/8 of %dx%d)", c.num, c.w, c.h);
    EXPECT_NE(doc.m_strCodecInfo.find(note), std::string::npos) << doc.m_strCodecInfo;
  }
  // 1/8 of a side over 40000 is still over the limit.
  const auto huge = test::EncodeJpeg(test::MakeTestPicture(8, 40008), 8, 40008, 1, 20);
  CImageDoc doc(app);
  EXPECT_EQ(doc.ReadJpeg(Write("huge.jpg", huge)), 0);
  EXPECT_EQ(doc.m_nLoadError, LOADERR_TOO_LARGE);
}

TEST_F(LoadUpright, EachOrientationTurnsTheStoredPixelsExactly) {
  const int w = 48, h = 32;
  const auto stored = test::EncodeJpeg(test::MakeTestPicture(w, h, 3), w, h, 3, 90);
  const test::DecodedJpeg plain = ScaledDecode(stored, 8);
  // Where stored pixel (x, y) is seen, per the eight cases of Exif.
  auto seenAt = [&](int k, int x, int y, int& sx, int& sy) {
    switch (k) {
    case 2: sx = w - 1 - x, sy = y; break;
    case 3: sx = w - 1 - x, sy = h - 1 - y; break;
    case 4: sx = x, sy = h - 1 - y; break;
    case 5: sx = y, sy = x; break;
    case 6: sx = h - 1 - y, sy = x; break;
    case 7: sx = h - 1 - y, sy = w - 1 - x; break;
    case 8: sx = y, sy = w - 1 - x; break;
    default: sx = x, sy = y; break;
    }
  };
  for (int k = 1; k <= 8; ++k) {
    CImageDoc doc(app);
    ASSERT_EQ(doc.ReadJpeg(Write("o.jpg", WithOrientation(stored, k))), 1) << k;
    const int sw = k >= 5 ? h : w, sh = k >= 5 ? w : h;
    ASSERT_EQ(doc.Bitmap().Width(), sw) << k;
    ASSERT_EQ(doc.Bitmap().Height(), sh) << k;
    EXPECT_EQ(doc.m_strCodecInfo.rfind(std::to_string(sw) + "x" + std::to_string(sh) + " ", 0), 0u) << k;
    const std::vector<uint8_t> shown = Shown(doc);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int sx = 0, sy = 0;
        seenAt(k, x, y, sx, sy);
        for (int ch = 0; ch < 3; ++ch)
          wrong += shown[(static_cast<size_t>(sy) * sw + sx) * 3 + ch] != plain.pixels[(static_cast<size_t>(y) * w + x) * 3 + ch];
      }
    EXPECT_EQ(wrong, 0) << "orientation " << k;
  }
  // Switched off, or a value outside 1..8: as stored.
  app.m_settings.AutoRotate = 0;
  CImageDoc off(app);
  ASSERT_EQ(off.ReadJpeg(Write("o6.jpg", WithOrientation(stored, 6))), 1);
  EXPECT_TRUE(Shown(off) == plain.pixels);
  app.m_settings.AutoRotate = 1;
  CImageDoc odd(app);
  ASSERT_EQ(odd.ReadJpeg(Write("o9.jpg", WithOrientation(stored, 9))), 1);
  EXPECT_TRUE(Shown(odd) == plain.pixels);
  EXPECT_FALSE(odd.m_exifBlock.empty());  // the block itself is kept
}

TEST_F(LoadUpright, StreamedRowsAreTheHeldPictureForEveryOrientationAndColourKind) {
  const int w = 37, h = 23;  // odd, so mirrored rows have a middle pixel
  const auto colour = test::EncodeJpeg(test::MakeTestPicture(w, h, 5), w, h, 3, 90);
  const auto grey = test::EncodeJpeg(test::MakeTestPicture(w, h, 6), w, h, 1, 90);
  for (const auto* stored : {&colour, &grey})
    for (int k = 1; k <= 8; ++k) {
      const std::string path = Write("s.jpg", WithOrientation(*stored, k));
      CImageDoc held(app);
      ASSERT_EQ(held.Load(path), 1) << k;
      CImageDoc streamed(app);
      CollectedRows rows;
      ASSERT_EQ(LoadJpegRows(streamed, path, rows), 1) << k;
      EXPECT_TRUE(streamed.Bitmap().IsEmpty());
      EXPECT_EQ(rows.next, rows.height);
      // Half turns and flips stream; quarter turns are turned whole first.
      EXPECT_EQ(rows.topFirst, k != 3 && k != 4 && k < 5) << k;
      ASSERT_EQ(rows.width, held.Bitmap().Width()) << k;
      ASSERT_EQ(rows.height, held.Bitmap().Height()) << k;
      int wrongRows = 0;  // the pixels; row padding is not part of the picture
      for (int y = 0; y < rows.height; ++y)
        wrongRows += std::memcmp(&rows.bits[static_cast<size_t>(y) * DibStride(rows.width, 24)], held.Bitmap().Row(y),
                                 3 * static_cast<size_t>(rows.width)) != 0;
      EXPECT_EQ(wrongRows, 0) << "orientation " << k;
      EXPECT_EQ(streamed.m_strDescription, held.m_strDescription);
      EXPECT_EQ(streamed.m_exifBlock, held.m_exifBlock);
    }
  // What is not a JPEG file is refused as Load refuses it.
  CImageDoc doc(app);
  CollectedRows rows;
  EXPECT_EQ(LoadJpegRows(doc, Write("x.png", colour), rows), 0);
  EXPECT_EQ(LoadJpegRows(doc, Write("broken.jpg", {0xFF, 0xD8, 1, 2}), rows), 0);
  EXPECT_EQ(doc.m_nLoadError, LOADERR_BROKEN);
}

} // namespace
