#include <QImage>

#include "GuiFixture.h"
#include "gui/QuorvexApp.h"
#include "app/DqtFile.h"
#include "view/ui/DqtPreview.h"

namespace qv::test {
namespace {

using DqtPreviewTest = GuiTest;

TEST_F(DqtPreviewTest, TablesShowTheirLowBytesAndTheScaleRunsFromWhiteToBlack) {
  CDqtPreview table(8, 8, 80, 80);
  table.resize(100, 90);
  uint16_t values[64];
  MakeStandardTable(0, 50, values);
  values[63] = 300;  // loaded tables may hold values above 255
  uint32_t expected = 0;
  for (uint16_t v : values) expected += v;
  EXPECT_FALSE(table.IsReady());
  EXPECT_EQ(table.ShowTable(values), expected);
  EXPECT_TRUE(table.IsReady());
  EXPECT_EQ(table.Picture().pixelIndex(0, 0), 16);
  EXPECT_EQ(table.Picture().pixelIndex(1, 0), 11);
  EXPECT_EQ(table.Picture().pixelIndex(0, 1), 12);
  EXPECT_EQ(table.Picture().pixelIndex(7, 7), 300 & 0xFF);

  CDqtPreview scale(1, 256, 4, 128);
  scale.ShowColourScale();
  EXPECT_EQ(scale.Picture().pixelIndex(0, 255), 0);    // bottom row
  EXPECT_EQ(scale.Picture().pixelIndex(0, 254), 255);
  EXPECT_EQ(scale.Picture().pixelIndex(0, 0), 1);      // top row
  EXPECT_EQ(scale.Picture().pixel(0, 255), qRgb(255, 255, 255));
  EXPECT_EQ(scale.Picture().pixel(0, 254), qRgb(0, 0, 0));

  // The picture painted: the table's top-left square in its false colour.
  table.show();
  Settle();
  EXPECT_EQ(table.ShowOrigin(), QPoint(10, 5));
  const QImage shot = table.grab().toImage();
  EXPECT_EQ(shot.pixel(15, 10), table.Picture().pixel(0, 0));
}

} // namespace
} // namespace qv::test
