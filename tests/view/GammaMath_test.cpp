#include "view/GammaMath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/DibBitmap.h"
#include "support/TestSupport.h"

using namespace qv;

namespace {

TEST(GammaSliders, HaveTheDialogsRangesMarksAndPages) {
  const SliderSetup g = GammaSliderSetup();
  EXPECT_EQ(g.minimum, 1);
  EXPECT_EQ(g.maximum, 499);
  EXPECT_EQ(g.page, 25);
  EXPECT_EQ(g.ticks, (std::vector<int>{0, 100, 200, 300, 400}));
  const SliderSetup l = LevelSliderSetup();
  EXPECT_EQ(l.minimum, 0);
  EXPECT_EQ(l.maximum, 510);
  EXPECT_EQ(l.page, 32);
  EXPECT_EQ(l.ticks, (std::vector<int>{255, 127, 255, 383}));
}

TEST(GammaSliders, PositionsMapToValuesAndBack) {
  EXPECT_EQ(GammaSliderPosition(1.0), 100);
  EXPECT_EQ(GammaSliderPosition(2.5), 250);
  EXPECT_EQ(GammaSliderPosition(0.01), 1);
  EXPECT_EQ(GammaSliderPosition(4.99), 499);
  EXPECT_EQ(GammaSliderPosition(0.29), 29);  // 0.29 x 100 is 28.999...
  EXPECT_EQ(GammaSliderPosition(2.555), 255);  // truncated
  EXPECT_EQ(GammaSliderPosition(-1.0), 0);
  EXPECT_DOUBLE_EQ(GammaOfSliderPosition(250), 2.5);
  EXPECT_DOUBLE_EQ(GammaOfSliderPosition(1), 0.01);
  EXPECT_EQ(LevelSliderPosition(0), 255);
  EXPECT_EQ(LevelSliderPosition(-255), 0);
  EXPECT_EQ(LevelSliderPosition(255), 510);
  EXPECT_EQ(LevelOfSliderPosition(383), 128);
  EXPECT_EQ(LevelOfSliderPosition(0), -255);
  for (int p = 1; p <= 499; ++p) EXPECT_EQ(GammaSliderPosition(GammaOfSliderPosition(p)), p) << p;
}

TEST(GammaTexts, ShowTwoDecimalsAndSignedIntegers) {
  EXPECT_EQ(GammaText(1.0), "1.00");
  EXPECT_EQ(GammaText(2.5), "2.50");
  EXPECT_EQ(GammaText(0.29), "0.29");
  EXPECT_EQ(LevelText(-128), "-128");
  EXPECT_EQ(LevelText(0), "0");
  EXPECT_EQ(LevelText(255), "255");
}

TEST(ReadGammaEntry, AcceptsOnlyValuesWithinTheRangeAndIgnoresAnEmptyEdit) {
  EXPECT_EQ(ReadGammaEntry("", 1.0).outcome, EntryOutcome::Ignored);
  EXPECT_EQ(ReadGammaEntry("5", 1.0).outcome, EntryOutcome::Refused);
  const GammaEntry e = ReadGammaEntry("2.5", 1.0);
  EXPECT_EQ(e.outcome, EntryOutcome::Accepted);
  EXPECT_DOUBLE_EQ(e.value, 2.5);
  EXPECT_EQ(ReadGammaEntry("1.00", 1.0).outcome, EntryOutcome::Unchanged);
  EXPECT_EQ(ReadGammaEntry("0.01", 1.0).outcome, EntryOutcome::Accepted);
  EXPECT_EQ(ReadGammaEntry("4.99", 1.0).outcome, EntryOutcome::Accepted);
  EXPECT_EQ(ReadGammaEntry("0.009", 1.0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadGammaEntry("4.991", 1.0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadGammaEntry("0", 1.0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadGammaEntry("-1", 1.0).outcome, EntryOutcome::Refused);
  // The refused value is never handed on.
  EXPECT_DOUBLE_EQ(ReadGammaEntry("5", 1.7).value, 1.7);
}

TEST(ReadGammaEntry, ReadsAsAtofDoesWhateverTheText) {
  EXPECT_DOUBLE_EQ(ReadGammaEntry("  2.5xyz", 1.0).value, 2.5);
  EXPECT_DOUBLE_EQ(ReadGammaEntry("+1.5", 1.0).value, 1.5);
  EXPECT_DOUBLE_EQ(ReadGammaEntry(".5", 1.0).value, 0.5);
  EXPECT_DOUBLE_EQ(ReadGammaEntry("25e-1", 1.0).value, 2.5);
  EXPECT_DOUBLE_EQ(ReadGammaEntry("2,5", 1.0).value, 2.0);  // the point is always '.'
  for (const std::string text : {"abc", " ", ".", "-", "+-1", "1e400", "1e-400", "inf", "nan", "-nan", "0x2"})
    EXPECT_EQ(ReadGammaEntry(text, 1.0).outcome, EntryOutcome::Refused) << text;
  EXPECT_EQ(ReadGammaEntry(std::string(100000, '9'), 1.0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadGammaEntry("1." + std::string(100000, '5'), 1.0).outcome, EntryOutcome::Accepted);
}

TEST(ReadLevelEntry, AcceptsSignedIntegersWithinTheRange) {
  EXPECT_EQ(ReadLevelEntry("300", 0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadLevelEntry("256", 0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadLevelEntry("-256", 0).outcome, EntryOutcome::Refused);
  const LevelEntry low = ReadLevelEntry("-255", 0);
  EXPECT_EQ(low.outcome, EntryOutcome::Accepted);
  EXPECT_EQ(low.value, -255);
  EXPECT_EQ(ReadLevelEntry("255", 0).value, 255);
  EXPECT_EQ(ReadLevelEntry("+5", 0).value, 5);
  EXPECT_EQ(ReadLevelEntry("0040", 0).value, 40);
  EXPECT_EQ(ReadLevelEntry("40", 40).outcome, EntryOutcome::Unchanged);
  EXPECT_EQ(ReadLevelEntry("300", 40).value, 40);
}

TEST(ReadLevelEntry, ReadsNoNumberAsZeroAndRefusesOtherText) {
  EXPECT_EQ(ReadLevelEntry("", 12).outcome, EntryOutcome::Accepted);
  EXPECT_EQ(ReadLevelEntry("", 12).value, 0);
  EXPECT_EQ(ReadLevelEntry("-", 12).value, 0);
  EXPECT_EQ(ReadLevelEntry("", 0).outcome, EntryOutcome::Unchanged);
  EXPECT_EQ(ReadLevelEntry("-0", 0).outcome, EntryOutcome::Unchanged);
  for (const std::string text : {"12a", "a", "--5", "1-", " 5", "5 ", "1.5", "0x10"})
    EXPECT_EQ(ReadLevelEntry(text, 3).outcome, EntryOutcome::Refused) << text;
  EXPECT_EQ(ReadLevelEntry("99999999999999999999999999", 0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadLevelEntry("-" + std::string(100000, '9'), 0).outcome, EntryOutcome::Refused);
  EXPECT_EQ(ReadLevelEntry(std::string(100000, '0') + "7", 0).value, 7);
}

TEST(ToneCurveValues, StartAsIdentitiesAndRebuildTheirTables) {
  ToneCurveValues v;
  EXPECT_DOUBLE_EQ(v.m_dGamma, 1.0);
  EXPECT_EQ(v.m_nContrast, 0);
  EXPECT_EQ(v.m_nBias, 0);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(v.m_anGamma[static_cast<size_t>(i)], i);
    EXPECT_EQ(v.m_anLevel[static_cast<size_t>(i)], i);
  }
  v.SetBias(100);
  EXPECT_EQ(v.m_anLevel[0], 100);
  EXPECT_EQ(v.m_anLevel[155], 255);
  EXPECT_EQ(v.m_anLevel[200], 255);
  v.SetBias(-100);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(v.m_anLevel[static_cast<size_t>(i)], 0) << i;
  EXPECT_EQ(v.m_anLevel[101], 1);
  v.SetBias(0);
  v.SetContrast(128);
  EXPECT_EQ(v.m_anLevel, BuildLevelTable(128, 0));
  EXPECT_NEAR(v.m_anLevel[60], 120, 1);
  v.SetContrast(-128);
  EXPECT_NEAR(v.m_anLevel[200], 100, 1);
  v.SetGamma(2.2);
  EXPECT_EQ(v.m_anGamma, BuildGammaTable(2.2));
  EXPECT_EQ(v.m_anLevel, BuildLevelTable(-128, 0));
}

TEST(FoldToneTables, GivesLevelThenGammaClampedToBytes) {
  const ToneTable g = BuildGammaTable(1.8), l = BuildLevelTable(40, -20);
  const ToneMap map = FoldToneTables(g, l);
  for (size_t s = 0; s < 256; ++s) EXPECT_EQ(map[s], g[static_cast<size_t>(l[s])]) << s;
  ToneTable wild{};
  for (size_t i = 0; i < 256; ++i) wild[i] = static_cast<int>(i) * 1000 - 100000;
  const ToneMap clamped = FoldToneTables(wild, wild);
  EXPECT_EQ(clamped[0], 0);
  EXPECT_EQ(clamped[255], 255);
  const uint8_t src[4] = {0, 10, 128, 255};
  uint8_t dst[4] = {};
  MapSamples(map, src, dst, 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(dst[k], map[src[k]]);
}

TEST(CurvePlot, IsASquareCentredInTheControl) {
  const PlotArea a = CurvePlotArea(150, 100);
  EXPECT_EQ(a.side, 98);
  EXPECT_EQ(a.left, 26);
  EXPECT_EQ(a.top, 1);
  const PlotArea b = CurvePlotArea(100, 151);
  EXPECT_EQ(b.side, 98);
  EXPECT_EQ(b.left, 1);
  EXPECT_EQ(b.top, 26);
  EXPECT_EQ(SampleLineX(a, 0), 26);
  EXPECT_EQ(SampleLineX(a, 255), 26 + 98);
  EXPECT_EQ(SampleLineX(a, 100), 26 + 100 * 98 / 255);
  // Degenerate controls give degenerate areas, not crashes.
  EXPECT_EQ(CurvePlotArea(0, 0).side, -2);
  EXPECT_EQ(CurvePoints(CurvePlotArea(0, 0), BuildGammaTable(1.0), BuildLevelTable(0, 0)).size(), 256u);
}

TEST(CurvePlot, TheIdentityIsTheDiagonalAndEveryPointIsGofL) {
  const PlotArea a{255, 10, 20};
  const std::vector<ZPoint> id = CurvePoints(a, BuildGammaTable(1.0), BuildLevelTable(0, 0));
  ASSERT_EQ(id.size(), 256u);
  EXPECT_EQ(id[0], (ZPoint{10, 20 + 255}));
  EXPECT_EQ(id[255], (ZPoint{10 + 255, 20}));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(id[static_cast<size_t>(i)], (ZPoint{10 + i, 20 + 255 - i})) << i;
  const PlotArea b{100, 0, 0};
  const ToneTable g = BuildGammaTable(2.2), l = BuildLevelTable(50, 30);
  const std::vector<ZPoint> c = CurvePoints(b, g, l);
  for (int i = 0; i < 256; ++i) {
    const int v = g[static_cast<size_t>(l[static_cast<size_t>(i)])];
    EXPECT_EQ(c[static_cast<size_t>(i)], (ZPoint{i * 100 / 255, 100 * (255 - v) / 255})) << i;
  }
}

TEST(TonePreviewLayout, AWideImageFillsTheWidth) {
  const PreviewLayout l = LayoutTonePreview(4000, 3000, 320, 240);
  EXPECT_EQ(l.m_sizeFit, (ZSize{320, 240}));
  EXPECT_EQ(l.m_ptFitDest, (ZPoint{0, 0}));
  EXPECT_DOUBLE_EQ(l.m_dScale, 12.5);
  EXPECT_EQ(l.m_ptSource, (ZPoint{1840, 1380}));
  EXPECT_EQ(l.m_ptOneToOneDest, (ZPoint{0, 0}));
  const PreviewLayout pano = LayoutTonePreview(1000, 200, 320, 240);
  EXPECT_EQ(pano.m_sizeFit, (ZSize{320, 64}));
  EXPECT_EQ(pano.m_ptFitDest, (ZPoint{0, 88}));
}

TEST(TonePreviewLayout, OtherImagesFillTheHeightAndSmallOnesAreCentredOneToOne) {
  const PreviewLayout tall = LayoutTonePreview(3000, 4000, 320, 240);
  EXPECT_EQ(tall.m_sizeFit, (ZSize{180, 240}));
  EXPECT_EQ(tall.m_ptFitDest, (ZPoint{70, 0}));
  EXPECT_DOUBLE_EQ(tall.m_dScale, 4000.0 / 240);
  const PreviewLayout square = LayoutTonePreview(500, 500, 320, 240);
  EXPECT_EQ(square.m_sizeFit, (ZSize{240, 240}));
  const PreviewLayout small = LayoutTonePreview(100, 50, 320, 240);
  EXPECT_EQ(small.m_sizeFit, (ZSize{320, 160}));
  EXPECT_EQ(small.m_ptFitDest, (ZPoint{0, 40}));
  EXPECT_EQ(small.m_ptSource, (ZPoint{0, 0}));
  EXPECT_EQ(small.m_ptOneToOneDest, (ZPoint{110, 95}));
  // No area, no fit, and no division by zero.
  for (const PreviewLayout& none : {LayoutTonePreview(0, 0, 320, 240), LayoutTonePreview(100, 100, 0, 240),
                                    LayoutTonePreview(100, 100, 320, -1)}) {
    EXPECT_EQ(none.m_sizeFit, (ZSize{0, 0}));
    EXPECT_DOUBLE_EQ(none.m_dScale, 1.0);
  }
}

TEST(TonePreviewClick, BringsTheClickedPointToTheMiddleWithinTheImage) {
  const PreviewLayout l = LayoutTonePreview(4000, 3000, 320, 240);
  // The centre of the fitted image shows the middle of the image.
  EXPECT_EQ(SourceForClick(l, 160, 120, 4000, 3000, 320, 240), (ZPoint{1840, 1380}));
  EXPECT_EQ(SourceForClick(l, 0, 0, 4000, 3000, 320, 240), (ZPoint{0, 0}));
  EXPECT_EQ(SourceForClick(l, 319, 239, 4000, 3000, 320, 240), (ZPoint{3680, 2760}));
  EXPECT_EQ(SourceForClick(l, 40, 200, 4000, 3000, 320, 240), (ZPoint{500 - 160, 2500 - 120}));
  const PreviewLayout tall = LayoutTonePreview(3000, 4000, 320, 240);
  // Left of the fitted picture is column 0.
  EXPECT_EQ(SourceForClick(tall, 10, 120, 3000, 4000, 320, 240).x, 0);
  // An image smaller than the control always starts at 0.
  const PreviewLayout small = LayoutTonePreview(100, 50, 320, 240);
  EXPECT_EQ(SourceForClick(small, 300, 200, 100, 50, 320, 240), (ZPoint{0, 0}));
}

// A test image, top row first as blue, green, red.
void Fill(CMemBitmap& b, int w, int h, const std::vector<uint8_t>& topDownBgr) {
  ASSERT_TRUE(b.Create(w, h, kColorTrue));
  for (int y = 0; y < h; ++y)
    std::copy_n(&topDownBgr[static_cast<size_t>(y) * w * 3], w * 3, b.Row(h - 1 - y));
}

TEST(ReducedCopy, AveragesEachBlockOrTakesItsFirstPixel) {
  CMemBitmap b;
  // 4 x 2: the left 2 x 2 block averages to (2, 3, 4), the right one to 100.
  Fill(b, 4, 2,
       {0, 0, 0, 4, 4, 4, 100, 100, 100, 100, 100, 100,  //
        2, 2, 2, 3, 6, 9, 100, 100, 100, 100, 100, 101});
  const PreviewPixels avg = ReducedCopy(b, 2, 1, true);
  ASSERT_EQ(avg.width, 2);
  ASSERT_EQ(avg.height, 1);
  EXPECT_EQ(avg.bgr, (std::vector<uint8_t>{2, 3, 4, 100, 100, 100}));  // 9 / 4, 12 / 4, 15 / 4 rounded
  const PreviewPixels near = ReducedCopy(b, 2, 1, false);
  EXPECT_EQ(near.bgr, (std::vector<uint8_t>{0, 0, 0, 100, 100, 100}));
  // Never enlarged: asking for more gives the image itself, top row first.
  const PreviewPixels whole = ReducedCopy(b, 40, 20, true);
  EXPECT_EQ(whole.width, 4);
  EXPECT_EQ(whole.height, 2);
  EXPECT_EQ(whole.bgr[3], 4);
  EXPECT_EQ(whole.bgr[12], 2);
  EXPECT_TRUE(ReducedCopy(b, 0, 5, true).bgr.empty());
  EXPECT_TRUE(ReducedCopy(CMemBitmap(), 5, 5, true).bgr.empty());
}

TEST(ReducedCopy, ReducesALargeImageToTheRequestedSize) {
  CMemBitmap b;
  ASSERT_TRUE(b.Create(4000, 3000, kColorTrue));
  b.Fill(10, 20, 30);
  const PreviewPixels r = ReducedCopy(b, 320, 240, true);
  ASSERT_EQ(r.width, 320);
  ASSERT_EQ(r.height, 240);
  ASSERT_EQ(r.bgr.size(), 320u * 240 * 3);
  EXPECT_EQ(r.bgr[0], 10);
  EXPECT_EQ(r.bgr[r.bgr.size() - 1], 30);
}

TEST(ImageBlock, CopiesThePartInsideTheImageTopRowFirst) {
  CMemBitmap b;
  std::vector<uint8_t> px;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) px.insert(px.end(), {uint8_t(x), uint8_t(y), uint8_t(7)});
  Fill(b, 4, 3, px);
  ZPoint at;
  const PreviewPixels block = ImageBlock(b, 1, 1, 2, 5, at);
  EXPECT_EQ(at, (ZPoint{1, 1}));
  ASSERT_EQ(block.width, 2);
  ASSERT_EQ(block.height, 2);
  EXPECT_EQ(block.bgr, (std::vector<uint8_t>{1, 1, 7, 2, 1, 7, 1, 2, 7, 2, 2, 7}));
  const PreviewPixels clipped = ImageBlock(b, -2, -1, 4, 3, at);
  EXPECT_EQ(at, (ZPoint{0, 0}));
  EXPECT_EQ(clipped.width, 2);
  EXPECT_EQ(clipped.height, 2);
  EXPECT_TRUE(ImageBlock(b, 10, 0, 4, 4, at).bgr.empty());
  EXPECT_TRUE(ImageBlock(b, 0, 0, -4, 4, at).bgr.empty());
  EXPECT_TRUE(ImageBlock(b, 2000000000, 2000000000, 2000000000, 2000000000, at).bgr.empty());
}

} // namespace
