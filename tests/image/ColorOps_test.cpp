#include "image/ColorOps.h"

#include <gtest/gtest.h>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

class ColorOpsTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};

  // Pixels given top row first as red, green, blue.
  std::unique_ptr<CImageDoc> MakeDoc(int w, int h, const std::vector<uint8_t>& rgb) {
    auto doc = std::make_unique<CImageDoc>(app);
    EXPECT_TRUE(doc->Bitmap().Create(w, h, kColorTrue));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* s = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        uint8_t* p = doc->Bitmap().Row(h - 1 - y) + 3 * x;
        p[0] = s[2], p[1] = s[1], p[2] = s[0];
      }
    doc->m_nFileSize = 1234;
    return doc;
  }
  static std::vector<uint8_t> Bytes(const CMemBitmap& b) {
    return std::vector<uint8_t>(b.Bits(), b.Bits() + b.Stride() * b.Height());
  }
};

TEST_F(ColorOpsTest, IdentityCurveKeepsPixelsButMarksTheImageModified) {
  auto doc = MakeDoc(7, 5, test::MakeTestPicture(7, 5));
  doc->m_colorTable = {RgbQuad{1, 2, 3, 0}};
  const std::vector<uint8_t> before = Bytes(doc->Bitmap());
  ASSERT_EQ(ApplyToneCurve(*doc, BuildGammaTable(1.0), BuildLevelTable(0, 0)), 1);
  EXPECT_EQ(Bytes(doc->Bitmap()), before);
  EXPECT_EQ(doc->m_nFileSize, 0);
  EXPECT_EQ(doc->m_strDescription, "7x5 Modified Image");
  EXPECT_TRUE(doc->m_colorTable.empty());
}

TEST_F(ColorOpsTest, EverySampleGoesThroughLevelThenGamma) {
  const std::vector<uint8_t> rgb = test::MakeTestPicture(9, 6, 3);
  auto doc = MakeDoc(9, 6, rgb);
  const ToneTable g = BuildGammaTable(2.2);
  const ToneTable l = BuildLevelTable(60, -20);
  ASSERT_EQ(ApplyToneCurve(*doc, g, l), 1);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x)
      for (int c = 0; c < 3; ++c) {
        const int source = rgb[(static_cast<size_t>(y) * 9 + x) * 3 + static_cast<size_t>(2 - c)];
        ASSERT_EQ(doc->Bitmap().Row(5 - y)[3 * x + c], g[static_cast<size_t>(l[static_cast<size_t>(source)])])
            << x << "," << y << "," << c;
      }
  // A sixteen-colour image comes out as true colour.
  CImageDoc fresh(app);
  ASSERT_EQ(fresh.OnNewDocument(), 1);
  ASSERT_EQ(ApplyToneCurve(fresh, g, BuildLevelTable(0, -100)), 1);
  EXPECT_EQ(fresh.Bitmap().ColorType(), kColorTrue);
  EXPECT_EQ(fresh.Bitmap().Row(0)[0], g[155]);  // white 255 - 100
}

TEST_F(ColorOpsTest, TablesOutsideTheByteRangeCannotReachOutsideEachOther) {
  auto doc = MakeDoc(2, 1, {0, 128, 255, 7, 8, 9});
  ToneTable wild{};
  for (size_t i = 0; i < 256; ++i) wild[i] = static_cast<int>(i) * 1000 - 100000;
  ASSERT_EQ(ApplyToneCurve(*doc, wild, wild), 1);
  // Level entries clamp to 0..255 before indexing, gamma entries before
  // storing: 0 -> L -100000 -> 0 -> G -100000 -> 0; 128 and 255 -> 255 -> 255.
  const uint8_t* p = doc->Bitmap().Row(0);  // blue, green, red
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 255);
  EXPECT_EQ(p[2], 0);
}

TEST_F(ColorOpsTest, AnEmptyImageIsReportedAndLeftAlone) {
  CImageDoc doc(app);
  doc.m_strPathName = "/photos/a.jpg";
  doc.m_strDescription = "before";
  EXPECT_EQ(ApplyToneCurve(doc, BuildGammaTable(1.0), BuildLevelTable(0, 0)), 0);
  std::vector<SeparatedImage> parts;
  EXPECT_EQ(SeparateYCbCr(doc, "a.jpg", parts), 0);
  EXPECT_TRUE(parts.empty());
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "Gamma:Can't make the DIB\n/photos/a.jpg");
  EXPECT_EQ(sink.messages[1].text, "CvEmYcbcr:Can't make the DIB\n/photos/a.jpg");
  EXPECT_EQ(doc.m_strDescription, "before");
}

TEST(YCbCrOf, GreyIsNeutralAndRedTruncatesTowardZero) {
  for (int v = 0; v < 256; ++v) {
    const YCbCr c = YCbCrOf(v, v, v);
    ASSERT_EQ(c.y, v);
    ASSERT_EQ(c.cb, 128);
    ASSERT_EQ(c.cr, 128);
  }
  const YCbCr red = YCbCrOf(255, 0, 0);
  EXPECT_EQ(red.y, 76);
  EXPECT_EQ(red.cb, 86);  // -43 x 255 / 256 = -42.8, truncated to -42
  EXPECT_EQ(red.cr, 255);
  const YCbCr blue = YCbCrOf(0, 0, 255);
  EXPECT_EQ(blue.y, 28);
  EXPECT_EQ(blue.cb, 255);
  EXPECT_EQ(blue.cr, 108);  // -21 x 255 / 256 = -20.9 -> -20
  // Every colour stays within a byte: the extremes are the primaries.
  for (int r : {0, 255})
    for (int g : {0, 255})
      for (int b : {0, 255}) {
        const YCbCr c = YCbCrOf(r, g, b);
        for (int v : {c.y, c.cb, c.cr}) {
          EXPECT_GE(v, 0);
          EXPECT_LE(v, 255);
        }
      }
}

TEST_F(ColorOpsTest, SeparationMakesThreeGreyDocumentsOnARamp) {
  // Grey 90, red, green, blue.
  auto doc = MakeDoc(2, 2, {90, 90, 90, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  std::vector<SeparatedImage> parts;
  ASSERT_EQ(SeparateYCbCr(*doc, "pic.jpg", parts), 1);
  ASSERT_EQ(parts.size(), 3u);
  const char* titles[] = {"pic.jpg[Y]", "pic.jpg[Cb]", "pic.jpg[Cr]"};
  const int want[3][4] = {{90, 76, 149, 28}, {128, 86, 44, 255}, {128, 255, 22, 108}};
  for (int k = 0; k < 3; ++k) {
    CImageDoc& part = *parts[static_cast<size_t>(k)].doc;
    EXPECT_EQ(parts[static_cast<size_t>(k)].title, titles[k]);
    EXPECT_EQ(part.m_nDocumentId, doc->m_nDocumentId);
    CDibBitmap& bmp = part.Bitmap();
    ASSERT_EQ(bmp.Width(), 2);
    ASSERT_EQ(bmp.Height(), 2);
    EXPECT_EQ(bmp.ColorType(), kColor256);
    // As an 8-bit DIB each pixel's index is its component value.
    const BitmapInfoHeader* h = bmp.ExportDib(-1);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->biBitCount, 8);
    for (int i = 0; i < 256; ++i) {
      const RgbQuad q = bmp.DibColors()[i];
      ASSERT_TRUE(q.rgbBlue == i && q.rgbGreen == i && q.rgbRed == i && q.rgbReserved == 0) << i;
    }
    const uint8_t* top = bmp.DibBits() + 4;  // memory row 1 is the top row
    const uint8_t* bottom = bmp.DibBits();
    EXPECT_EQ(top[0], want[k][0]) << titles[k];
    EXPECT_EQ(top[1], want[k][1]) << titles[k];
    EXPECT_EQ(bottom[0], want[k][2]) << titles[k];
    EXPECT_EQ(bottom[1], want[k][3]) << titles[k];
    bmp.FreeDib();
  }
  EXPECT_TRUE(sink.messages.empty());
}

} // namespace
