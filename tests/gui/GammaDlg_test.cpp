#include <functional>
#include <memory>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"
#include "view/GammaMath.h"
#include "view/ui/GammaDlg.h"

namespace qv::test {
namespace {

std::vector<uint8_t> Bytes(const CMemBitmap& b) {
  return std::vector<uint8_t>(b.Bits(), b.Bits() + b.Stride() * b.Height());
}

// The corrected block of the image the preview must show, top row first.
std::vector<uint8_t> Expected(const PreviewPixels& pixels, const ToneMap& map) {
  std::vector<uint8_t> out(pixels.bgr.size());
  MapSamples(map, pixels.bgr.data(), out.data(), out.size());
  return out;
}

std::vector<uint8_t> Shown(const QImage& image) {
  std::vector<uint8_t> out;
  for (int y = 0; y < image.height(); ++y)
    out.insert(out.end(), image.constScanLine(y), image.constScanLine(y) + image.width() * 3);
  return out;
}

class GammaDlgTest : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    path = Photo("photo.jpg", 800, 600, 7);
    m_doc = std::make_unique<CImageDoc>(App().App());
    ASSERT_EQ(doc().Load(path), 1);
    sink.messages.clear();
  }
  void TearDown() override {
    m_doc.reset();
    GuiTest::TearDown();
  }
  CImageDoc& doc() const { return *m_doc; }

  // A dialog on the document, shown and laid out.
  std::unique_ptr<CGammaDialog> Open(std::function<void(int)> help = {}) {
    auto dlg = std::make_unique<CGammaDialog>(Frame(), doc().Bitmap(), false, std::move(help));
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    Settle();
    return dlg;
  }
  static bool IsIdentity(const ToneTable& t) {
    for (int i = 0; i < 256; ++i)
      if (t[static_cast<size_t>(i)] != i) return false;
    return true;
  }

  std::string path;
  std::unique_ptr<CImageDoc> m_doc;
};

TEST_F(GammaDlgTest, opensWithTheStartValuesTheirControlsAndTheImagesSampleRange) {
  auto dlg = Open();
  EXPECT_EQ(dlg->windowTitle().toStdString(), "ガンマ/輝度補正");
  EXPECT_EQ(dlg->GammaEdit()->text().toStdString(), "1.00");
  EXPECT_EQ(dlg->ContrastEdit()->text().toStdString(), "0");
  EXPECT_EQ(dlg->BiasEdit()->text().toStdString(), "0");
  EXPECT_EQ(dlg->GammaSlider()->value(), 100);
  EXPECT_EQ(dlg->GammaSlider()->minimum(), 1);
  EXPECT_EQ(dlg->GammaSlider()->maximum(), 499);
  EXPECT_EQ(dlg->GammaSlider()->pageStep(), 25);
  EXPECT_EQ(dlg->GammaSlider()->Ticks(), (std::vector<int>{0, 100, 200, 300, 400}));
  for (CTickSlider* s : {dlg->ContrastSlider(), dlg->BiasSlider()}) {
    EXPECT_EQ(s->value(), 255);
    EXPECT_EQ(s->minimum(), 0);
    EXPECT_EQ(s->maximum(), 510);
    EXPECT_EQ(s->pageStep(), 32);
    EXPECT_EQ(s->Ticks(), (std::vector<int>{255, 127, 255, 383}));
  }
  EXPECT_TRUE(IsIdentity(dlg->GammaTable()));
  EXPECT_TRUE(IsIdentity(dlg->LevelTable()));
  int lo = 0, hi = 0;
  SampleRange(doc().Bitmap(), lo, hi);
  EXPECT_EQ(dlg->MinSample(), lo);
  EXPECT_EQ(dlg->MaxSample(), hi);
  EXPECT_EQ(dlg->Curve()->RangeLow(), lo);
  EXPECT_EQ(dlg->Curve()->RangeHigh(), hi);
  EXPECT_EQ(QApplication::focusWidget(), dlg->GammaEdit());
  EXPECT_EQ(dlg->SwitchZoomButton()->text().toStdString(), "Switch &Zoom");
  EXPECT_FALSE(dlg->HelpButton()->isEnabled());  // no help given
  std::vector<std::string> labels;
  for (QLabel* l : dlg->findChildren<QLabel*>()) labels.push_back(l->text().toStdString());
  EXPECT_EQ(labels, (std::vector<std::string>{"&Gamma", "&Contrast", "&Bias", "v-i Curve"}));
  EXPECT_EQ(dlg->Preview()->Mode(), PREVIEW_FITTED);
}

TEST_F(GammaDlgTest, theGammaEditBeepsOutsideItsRangeAndMovesTheSliderInside) {
  auto dlg = Open();
  Type(dlg->GammaEdit(), "5");
  EXPECT_EQ(dlg->Beeps(), 1);
  EXPECT_EQ(dlg->GammaSlider()->value(), 100);
  EXPECT_TRUE(IsIdentity(dlg->GammaTable()));
  Type(dlg->GammaEdit(), "2.5");
  EXPECT_EQ(dlg->Beeps(), 1);
  EXPECT_EQ(dlg->GammaSlider()->value(), 250);
  EXPECT_DOUBLE_EQ(dlg->Values().m_dGamma, 2.5);
  EXPECT_EQ(dlg->GammaTable(), BuildGammaTable(2.5));
  EXPECT_EQ(dlg->GammaEdit()->text().toStdString(), "2.5");  // the typed text stays
  // Empty is ignored, anything else that is no value in range beeps.
  dlg->GammaEdit()->clear();
  EXPECT_EQ(dlg->Beeps(), 1);
  for (const char* text : {"abc", "-1", "1e999", "nan", "0.001"}) {
    dlg->GammaEdit()->setText(QString::fromLatin1(text));
    EXPECT_EQ(dlg->GammaSlider()->value(), 250) << text;
  }
  EXPECT_EQ(dlg->Beeps(), 6);
  dlg->GammaEdit()->setText(QString(20000, QLatin1Char('9')));
  EXPECT_EQ(dlg->GammaTable(), BuildGammaTable(2.5));
  Type(dlg->GammaEdit(), "0.29");
  EXPECT_EQ(dlg->GammaSlider()->value(), 29);
}

TEST_F(GammaDlgTest, theLevelEditsBeepOutsideTheirRangeAndTakeOnlyNumbers) {
  auto dlg = Open();
  Type(dlg->ContrastEdit(), "300");  // 3 and 30 are taken, 300 beeps
  EXPECT_EQ(dlg->Beeps(), 1);
  EXPECT_EQ(dlg->Values().m_nContrast, 30);
  EXPECT_EQ(dlg->ContrastSlider()->value(), 285);
  Type(dlg->ContrastEdit(), "-255");
  EXPECT_EQ(dlg->Values().m_nContrast, -255);
  EXPECT_EQ(dlg->ContrastSlider()->value(), 0);
  EXPECT_EQ(dlg->LevelTable(), BuildLevelTable(-255, 0));
  const int beeps = dlg->Beeps();
  QTest::keyClicks(dlg->ContrastEdit(), "x.");
  EXPECT_EQ(dlg->Beeps(), beeps + 2);
  EXPECT_EQ(dlg->ContrastEdit()->text().toStdString(), "-255");
  Type(dlg->BiasEdit(), "100");
  EXPECT_EQ(dlg->BiasSlider()->value(), 355);
  EXPECT_EQ(dlg->LevelTable(), BuildLevelTable(-255, 100));
  dlg->BiasEdit()->setText(QStringLiteral("99999999999999999999"));
  EXPECT_EQ(dlg->Values().m_nBias, 100);
  dlg->BiasEdit()->clear();  // no number reads as 0
  EXPECT_EQ(dlg->Values().m_nBias, 0);
  EXPECT_EQ(dlg->BiasSlider()->value(), 255);
}

TEST_F(GammaDlgTest, slidersWriteTheirEditsAndRebuildTheTablesAndThePreview) {
  auto dlg = Open();
  dlg->GammaSlider()->setValue(150);
  EXPECT_EQ(dlg->GammaEdit()->text().toStdString(), "1.50");
  EXPECT_EQ(dlg->GammaTable(), BuildGammaTable(1.5));
  dlg->ContrastSlider()->setValue(383);
  EXPECT_EQ(dlg->ContrastEdit()->text().toStdString(), "128");
  dlg->BiasSlider()->setValue(100);
  EXPECT_EQ(dlg->BiasEdit()->text().toStdString(), "-155");
  EXPECT_EQ(dlg->LevelTable(), BuildLevelTable(128, -155));
  // Keys move a slider the same way.
  dlg->GammaSlider()->setFocus();
  QTest::keyClick(dlg->GammaSlider(), Qt::Key_PageUp);
  EXPECT_EQ(dlg->GammaSlider()->value(), 175);
  EXPECT_EQ(dlg->GammaEdit()->text().toStdString(), "1.75");
  EXPECT_EQ(dlg->Beeps(), 0);
  // The fitted preview shows the reduced image through exactly these tables.
  const int paints = dlg->Preview()->Paints();
  Settle();
  EXPECT_GT(dlg->Preview()->Paints(), paints);
  const PreviewLayout& l = dlg->Preview()->Layout();
  const PreviewPixels reduced = ReducedCopy(doc().Bitmap(), l.m_sizeFit.cx, l.m_sizeFit.cy, false);
  EXPECT_EQ(Shown(dlg->Preview()->Shown()), Expected(reduced, FoldToneTables(BuildGammaTable(1.75), BuildLevelTable(128, -155))));
}

TEST_F(GammaDlgTest, theSmoothStretchPreviewsTheAveragedImage) {
  CGammaDialog dlg(Frame(), doc().Bitmap(), true);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  Type(dlg.GammaEdit(), "1.8");
  Settle();
  const PreviewLayout& l = dlg.Preview()->Layout();
  const PreviewPixels reduced = ReducedCopy(doc().Bitmap(), l.m_sizeFit.cx, l.m_sizeFit.cy, true);
  EXPECT_EQ(Shown(dlg.Preview()->Shown()), Expected(reduced, FoldToneTables(BuildGammaTable(1.8), BuildLevelTable(0, 0))));
}

TEST_F(GammaDlgTest, aDragFollowsEveryPositionInThePreview) {
  auto dlg = Open();
  CTickSlider* s = dlg->BiasSlider();
  s->setSliderDown(true);
  for (int p = 255; p <= 355; p += 20) {
    s->setSliderPosition(p);
    Settle();
    EXPECT_EQ(dlg->BiasEdit()->text().toStdString(), LevelText(p - 255));
    const PreviewLayout& l = dlg->Preview()->Layout();
    const PreviewPixels reduced = ReducedCopy(doc().Bitmap(), l.m_sizeFit.cx, l.m_sizeFit.cy, false);
    EXPECT_EQ(Shown(dlg->Preview()->Shown()), Expected(reduced, FoldToneTables(BuildGammaTable(1.0), BuildLevelTable(0, p - 255))));
  }
  s->setSliderDown(false);
}

TEST_F(GammaDlgTest, switchZoomAndClicksChangeThePreviewModeAndItsCursor) {
  auto dlg = Open();
  CTonePreview* preview = dlg->Preview();
  const QCursor fitted = preview->cursor();
  EXPECT_EQ(fitted.shape(), Qt::BitmapCursor);
  EXPECT_FALSE(fitted.pixmap().isNull());
  dlg->SwitchZoomButton()->click();
  Settle();
  EXPECT_EQ(preview->Mode(), PREVIEW_ONE_TO_ONE);
  EXPECT_NE(preview->cursor().pixmap().cacheKey(), fitted.pixmap().cacheKey());
  EXPECT_EQ(preview->cursor().pixmap().toImage(), preview->ModeCursor().pixmap().toImage());
  // One to one shows the middle of the image at first.
  const PreviewLayout& l = preview->Layout();
  EXPECT_EQ(l.m_ptSource, (ZPoint{(800 - preview->width()) / 2, (600 - preview->height()) / 2}));
  dlg->SwitchZoomButton()->click();
  EXPECT_EQ(preview->Mode(), PREVIEW_FITTED);
  EXPECT_EQ(preview->cursor().pixmap().toImage(), fitted.pixmap().toImage());

  // A click on the fitted image brings that point to the middle, one to one.
  Type(dlg->GammaEdit(), "0.5");
  const QPoint at(preview->width() / 4, preview->height() / 3);
  QTest::mouseClick(preview, Qt::LeftButton, {}, at);
  Settle();
  ASSERT_EQ(preview->Mode(), PREVIEW_ONE_TO_ONE);
  const ZPoint source = SourceForClick(preview->Layout(), at.x(), at.y(), 800, 600, preview->width(), preview->height());
  EXPECT_EQ(preview->Layout().m_ptSource, source);
  EXPECT_EQ(preview->BlockOrigin(), source);
  ZPoint origin;
  const PreviewPixels block = ImageBlock(doc().Bitmap(), source.x, source.y, preview->width(), preview->height(), origin);
  EXPECT_EQ(Shown(preview->Shown()), Expected(block, FoldToneTables(BuildGammaTable(0.5), BuildLevelTable(0, 0))));
  Screenshot(dlg.get(), "gamma-dialog-one-to-one");
  // Changes follow in this mode too.
  dlg->ContrastSlider()->setValue(300);
  Settle();
  EXPECT_EQ(Shown(preview->Shown()), Expected(block, FoldToneTables(BuildGammaTable(0.5), BuildLevelTable(45, 0))));
  QTest::mouseClick(preview, Qt::LeftButton, {}, at);
  EXPECT_EQ(preview->Mode(), PREVIEW_FITTED);
}

TEST_F(GammaDlgTest, theCurvePlotDrawsTheRangeLinesAndGofL) {
  auto dlg = Open();
  Type(dlg->GammaEdit(), "2.2");
  Type(dlg->ContrastEdit(), "40");
  Type(dlg->BiasEdit(), "-30");
  Settle();
  CCurvePlot* curve = dlg->Curve();
  const QImage plot = curve->grab().toImage();
  const PlotArea a = curve->Area();
  EXPECT_EQ(a.side, std::min(curve->width(), curve->height()) - 2);
  // The frame, in grey, one pixel outside the area.
  EXPECT_EQ(plot.pixelColor(a.left - 1, a.top + a.side / 2), QColor(128, 128, 128));
  // Every curve corner is black or, between dots, next to a black pixel.
  const std::vector<ZPoint> points = CurvePoints(a, dlg->GammaTable(), dlg->LevelTable());
  int onCurve = 0;
  for (const ZPoint& p : points) {
    bool dark = false;
    for (int dy = -1; dy <= 1 && !dark; ++dy)
      for (int dx = -1; dx <= 1 && !dark; ++dx) dark = plot.pixelColor(p.x + dx, p.y + dy) == QColor(Qt::black);
    onCurve += dark;
  }
  EXPECT_GE(onCurve, 250);
  // The range lines are dotted light grey.
  int lineDots = 0;
  const int x = SampleLineX(a, dlg->MinSample());
  for (int y = a.top + 1; y < a.top + a.side; ++y) lineDots += plot.pixelColor(x, y) == QColor(192, 192, 192);
  EXPECT_GT(lineDots, a.side / 4);
  Screenshot(dlg.get(), "gamma-dialog");
}

TEST_F(GammaDlgTest, helpShowsTopic1312) {
  int topic = 0;
  auto dlg = Open([&](int t) { topic = t; });
  ASSERT_TRUE(dlg->HelpButton()->isEnabled());
  EXPECT_EQ(dlg->HelpButton()->text().toStdString(), "&Help");
  dlg->HelpButton()->click();
  EXPECT_EQ(topic, 1312);
}

TEST_F(GammaDlgTest, okAppliesTheCurveExactlyAsApplyToneCurveDoes) {
  CImageDoc same(App().App());
  ASSERT_EQ(same.Load(path), 1);
  ASSERT_EQ(ApplyToneCurve(same, BuildGammaTable(2.2), BuildLevelTable(40, -30)), 1);
  const std::vector<uint8_t> before = Bytes(doc().Bitmap());
  WhenModal<CGammaDialog>([](CGammaDialog& dlg) {
    Type(dlg.GammaEdit(), "2.2");
    dlg.ContrastSlider()->setValue(295);
    Type(dlg.BiasEdit(), "-30");
    dlg.OkButton()->click();
  });
  EXPECT_TRUE(RunGammaDialog(Frame(), doc()));
  EXPECT_NE(Bytes(doc().Bitmap()), before);
  EXPECT_EQ(Bytes(doc().Bitmap()), Bytes(same.Bitmap()));
  EXPECT_EQ(doc().m_strDescription, "800x600 Modified Image");
  EXPECT_EQ(doc().m_nFileSize, 0);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(GammaDlgTest, okWithTheStartValuesKeepsThePixelsAndCancelChangesNothing) {
  const std::vector<uint8_t> before = Bytes(doc().Bitmap());
  const std::string description = doc().m_strDescription;
  WhenModal<CGammaDialog>([](CGammaDialog& dlg) {
    Type(dlg.GammaEdit(), "3");
    dlg.reject();
  });
  EXPECT_FALSE(RunGammaDialog(Frame(), doc()));
  EXPECT_EQ(doc().m_strDescription, description);
  WhenModal<CGammaDialog>([](CGammaDialog& dlg) { dlg.OkButton()->click(); });
  EXPECT_TRUE(RunGammaDialog(Frame(), doc()));
  EXPECT_EQ(Bytes(doc().Bitmap()), before);
  EXPECT_EQ(doc().m_strDescription, "800x600 Modified Image");
}

TEST_F(GammaDlgTest, anEmptyImageOpensAndItsOkIsReported) {
  CImageDoc empty(App().App());
  empty.m_strPathName = "/photos/none.jpg";
  WhenModal<CGammaDialog>([](CGammaDialog& dlg) {
    dlg.SwitchZoomButton()->click();
    QTest::mouseClick(dlg.Preview(), Qt::LeftButton);
    dlg.OkButton()->click();
  });
  EXPECT_FALSE(RunGammaDialog(Frame(), empty));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Gamma:Can't make the DIB\n/photos/none.jpg");
}

} // namespace
} // namespace qv::test
