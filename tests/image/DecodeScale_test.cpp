#include "image/DecodeScale.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "support/TestSupport.h"

namespace qv {
namespace {

using Bytes = std::vector<uint8_t>;

// SOI, DQT, SOF0 of the size (three components, luma sampled 2 x 2), SOS,
// EOI: all libjpeg reads before it knows the output size.
Bytes BareHeader(int width, int height) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
  b.resize(b.size() + 64, 1);
  const Bytes sof = {0xFF, 0xC0, 0x00, 17, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
                     3, 1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0};
  b.insert(b.end(), sof.begin(), sof.end());
  const Bytes sos = {0xFF, 0xDA, 0x00, 12, 3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0, 0xFF, 0xD9};
  b.insert(b.end(), sos.begin(), sos.end());
  return b;
}

struct JumpError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};
void JumpOut(j_common_ptr c) { std::longjmp(reinterpret_cast<JumpError*>(c->err)->jump, 1); }

// The output size libjpeg itself gives for scale_num / 8; false when it
// refuses the header. With `decode`, the rows are really decoded and counted.
bool LibjpegScaledSize(const Bytes& jpeg, int numerator, bool decode, int& width, int& height) {
  jpeg_decompress_struct cinfo;
  JumpError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOut;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.scale_num = static_cast<unsigned>(numerator);
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  width = static_cast<int>(cinfo.output_width);
  height = static_cast<int>(cinfo.output_height);
  if (decode) {
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
    JSAMPROW rows[1] = {row.data()};
    int got = 0;
    while (cinfo.output_scanline < cinfo.output_height) got += static_cast<int>(jpeg_read_scanlines(&cinfo, rows, 1));
    jpeg_finish_decompress(&cinfo);
    if (got != height) width = height = -1;
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

TEST(DecodeScale, ScaledSidesAreWhatLibjpegGives) {
  const std::pair<int, int> sizes[] = {{6000, 4000}, {5001, 10}, {8000, 6000}, {40000, 30}, {40001, 7},
                                       {65500, 1},   {1, 65500}, {4001, 2999}, {9, 17}};
  for (const auto& s : sizes) {
    const Bytes header = BareHeader(s.first, s.second);
    for (int m = 1; m <= 8; ++m) {
      SCOPED_TRACE(testing::Message() << s.first << "x" << s.second << " at " << m << "/8");
      int w = 0, h = 0;
      ASSERT_TRUE(LibjpegScaledSize(header, m, false, w, h));
      EXPECT_EQ(w, ScaledSide(s.first, m));
      EXPECT_EQ(h, ScaledSide(s.second, m));
    }
  }
}

TEST(DecodeScale, ARealPictureDecodesAtTheChosenScaleWithinTheLimit) {
  const int w = 5001, h = 10;
  const Bytes jpeg = test::EncodeJpeg(test::MakeTestPicture(w, h), w, h, 3, 5);
  const int m = ShrinkNumerator(w, h);
  ASSERT_EQ(m, 7);
  int outW = 0, outH = 0;
  ASSERT_TRUE(LibjpegScaledSize(jpeg, m, true, outW, outH));
  EXPECT_EQ(outW, 4376);
  EXPECT_EQ(outH, 9);
  ASSERT_TRUE(LibjpegScaledSize(jpeg, m + 1, false, outW, outH));
  EXPECT_GT(outW, 5000);
}

TEST(DecodeScale, TheLargestNumeratorThatFitsIsChosen) {
  EXPECT_EQ(ShrinkNumerator(6000, 4000), 6);   // 4500 x 3000; 7/8 gives 5250
  EXPECT_EQ(ShrinkNumerator(4000, 6000), 6);
  EXPECT_EQ(ShrinkNumerator(5001, 10), 7);
  EXPECT_EQ(ShrinkNumerator(8000, 6000), 5);   // exactly 5000 fits
  EXPECT_EQ(ShrinkNumerator(8001, 6000), 4);
  EXPECT_EQ(ShrinkNumerator(40000, 30), 1);    // exactly 5000 at 1/8
  EXPECT_EQ(ShrinkNumerator(30, 40000), 1);
  EXPECT_EQ(ShrinkNumerator(10000, 10000), 4);
}

TEST(DecodeScale, APictureThatFitsIsNotShrunk) {
  EXPECT_EQ(ShrinkNumerator(5000, 5000), 8);
  EXPECT_EQ(ShrinkNumerator(1, 1), 8);
  EXPECT_EQ(ShrinkNumerator(4000, 3000), 8);
}

TEST(DecodeScale, NothingWhenEvenAnEighthIsTooLarge) {
  EXPECT_EQ(ShrinkNumerator(40001, 30), 0);
  EXPECT_EQ(ShrinkNumerator(30, 40001), 0);
  EXPECT_EQ(ShrinkNumerator(65535, 65535), 0);
  EXPECT_EQ(ShrinkNumerator(INT32_MAX, 1), 0);
}

TEST(DecodeScale, TheLimitIsTheCallersAndNonsenseGivesNothing) {
  EXPECT_EQ(ShrinkNumerator(800, 600, 100), 1);
  EXPECT_EQ(ShrinkNumerator(800, 600, 400), 4);
  EXPECT_EQ(ShrinkNumerator(800, 600, 799), 7);
  EXPECT_EQ(ShrinkNumerator(800, 600, 800), 8);
  EXPECT_EQ(ShrinkNumerator(0, 600), 0);
  EXPECT_EQ(ShrinkNumerator(800, -1), 0);
  EXPECT_EQ(ShrinkNumerator(800, 600, 0), 0);
}

} // namespace
} // namespace qv
