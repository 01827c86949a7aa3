#include "view/ZoomMath.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const int kTable[] = {10, 25, 33, 50, 100, 200, 300, 400, 600, 800, 1200, 1600, 0};

TEST(ZoomMath, imageToDeviceRoundsHalfUp) {
  EXPECT_EQ(ImageToDevice(100, 33), 33);
  EXPECT_EQ(ImageToDevice(3, 50), 2);  // (150 + 50) / 100
  EXPECT_EQ(ImageToDevice(1, 10), 0);
  EXPECT_EQ(ImageToDevice(640, 1600), 10240);
}

TEST(ZoomMath, deviceToImageAddsHalfTheZoom) {
  EXPECT_EQ(DeviceToImage(33, 33), 100);  // (3300 + 16) / 33
  EXPECT_EQ(DeviceToImage(0, 400), 0);
  EXPECT_EQ(DeviceToImage(4, 400), 1);
  EXPECT_EQ(DeviceToImage(1, 400), 0);   // (100 + 200) / 400
  EXPECT_EQ(DeviceToImage(2, 400), 1);   // (200 + 200) / 400
}

TEST(ZoomMath, deviceToImageOfAZeroZoomIsZeroNotATrap) { EXPECT_EQ(DeviceToImage(100, 0), 0); }

TEST(ZoomMath, zoomedSizeConvertsBothAxes) {
  EXPECT_EQ(GetZoomedSize(640, 480, 33), (ZSize{211, 158}));
  EXPECT_EQ(GetZoomedSize(640, 480, 100), (ZSize{640, 480}));
}

TEST(ZoomMath, findZoomIndexGivesTheFirstEntryNotBelowTheZoom) {
  EXPECT_EQ(FindZoomIndex(kTable, 100), 4);
  EXPECT_EQ(FindZoomIndex(kTable, 10), 0);
  EXPECT_EQ(FindZoomIndex(kTable, 1), 0);
  EXPECT_EQ(FindZoomIndex(kTable, 30), 2);
  EXPECT_EQ(FindZoomIndex(kTable, 1600), 11);
}

TEST(ZoomMath, findZoomIndexGivesTheLastEntryAboveTheTable) { EXPECT_EQ(FindZoomIndex(kTable, 5000), 11); }

TEST(ZoomMath, findZoomIndexStopsAtAnEarlyTerminator) {
  const int shortTable[] = {50, 100, 0, 400, 0};
  EXPECT_EQ(FindZoomIndex(shortTable, 300), 1);
}

TEST(ZoomMath, sizeUpAndDownFromHundred) {
  EXPECT_EQ(ZoomStepUp(kTable, 100), 200);
  EXPECT_EQ(ZoomStepDown(kTable, 100), 50);
}

TEST(ZoomMath, sizeUpAtTheLastEntryAndDownAtTheFirstHaveNowhereToGo) {
  EXPECT_EQ(ZoomStepUp(kTable, 1600), 0);
  EXPECT_EQ(ZoomStepDown(kTable, 10), 0);
}

TEST(ZoomMath, aZoomBetweenEntriesStepsUpPastTheNextLargerEntry) {
  const int noHundred[] = {50, 150, 300, 0};
  EXPECT_EQ(ZoomStepUp(noHundred, 100), 300);
  EXPECT_EQ(ZoomStepDown(noHundred, 100), 50);
}

TEST(ZoomMath, anEmptyTableHasNoSteps) {
  const int empty[] = {0};
  EXPECT_EQ(ZoomStepUp(empty, 100), 0);
  EXPECT_EQ(ZoomStepDown(empty, 100), 0);
}

TEST(ZoomMath, paintPlanAtHundredCoversTheClientPlusMargins) {
  const PaintPlan p = ComputePaintPlan({0, 0}, {300, 200}, 1000, 800, 100);
  EXPECT_EQ(p.source, (ZRect{0, 0, 302, 202}));
  EXPECT_EQ(p.dest, (ZRect{0, 0, 302, 202}));
}

TEST(ZoomMath, paintPlanStartsOneImagePixelBeforeTheScrollPosition) {
  // 400 %: scroll 40 is image pixel 10; the plan starts at 9 (device 36).
  const PaintPlan p = ComputePaintPlan({40, 80}, {200, 100}, 640, 480, 400);
  EXPECT_EQ(p.source.x, 9);
  EXPECT_EQ(p.source.y, 19);
  EXPECT_EQ(p.dest.x, 36);
  EXPECT_EQ(p.dest.y, 76);
  // extent 200 x 100 device = 50 x 25 image pixels, plus two after.
  EXPECT_EQ(p.source.cx, 52);
  EXPECT_EQ(p.source.cy, 27);
  EXPECT_EQ(p.dest.cx, 208);
  EXPECT_EQ(p.dest.cy, 108);
}

TEST(ZoomMath, paintPlanNeverReachesPastTheImage) {
  const PaintPlan p = ComputePaintPlan({0, 0}, {800, 600}, 100, 50, 200);
  EXPECT_EQ(p.source, (ZRect{0, 0, 100, 50}));
  EXPECT_EQ(p.dest, (ZRect{0, 0, 200, 100}));
}

TEST(ZoomMath, paintPlanOfAHugeImageStaysSmall) {
  // 5000 x 5000 at 1600 %: only the visible part is drawn.
  const PaintPlan p = ComputePaintPlan({40000, 40000}, {1000, 800}, 5000, 5000, 1600);
  EXPECT_LE(p.source.cx, 1000 / 16 + 3);
  EXPECT_LE(p.source.cy, 800 / 16 + 3);
}

TEST(ZoomMath, anImageSmallerThanTheClientCannotBeScrolled) {
  const ZSize zoomed = GetZoomedSize(100, 80, 100);
  EXPECT_EQ(MaxScrollPosition(zoomed, {400, 300}), (ZPoint{0, 0}));
  EXPECT_EQ(KeyScrollTarget({0, 0}, {1, 16}, 100, zoomed, {400, 300}), (ZPoint{0, 0}));
  EXPECT_EQ(PanTarget({0, 0}, {10, 10}, {200, 200}, MaxScrollPosition(zoomed, {400, 300})), (ZPoint{0, 0}));
}

TEST(ZoomMath, keyStepsCountImagePixelsAboveHundred) {
  const ZSize zoomed = GetZoomedSize(1000, 1000, 400);
  EXPECT_EQ(KeyScrollTarget({100, 100}, {1, 0}, 400, zoomed, {300, 300}), (ZPoint{104, 100}));
  EXPECT_EQ(KeyScrollTarget({100, 100}, {0, 16}, 400, zoomed, {300, 300}), (ZPoint{100, 164}));
}

TEST(ZoomMath, keyStepsCountScreenPixelsAtOrBelowHundred) {
  const ZSize zoomed = GetZoomedSize(4000, 4000, 50);
  EXPECT_EQ(KeyScrollTarget({100, 100}, {1, 0}, 50, zoomed, {300, 300}), (ZPoint{101, 100}));
  EXPECT_EQ(KeyScrollTarget({100, 100}, {0, 16}, 50, zoomed, {300, 300}), (ZPoint{100, 116}));
}

TEST(ZoomMath, keyStepsClampToTheScrollRange) {
  const ZSize zoomed{500, 400};
  EXPECT_EQ(KeyScrollTarget({0, 0}, {-1, -16}, 100, zoomed, {300, 300}), (ZPoint{0, 0}));
  EXPECT_EQ(KeyScrollTarget({200, 95}, {1, 16}, 100, zoomed, {300, 300}), (ZPoint{200, 100}));
}

TEST(ZoomMath, panMovesAgainstTheMouseAndClamps) {
  EXPECT_EQ(PanTarget({50, 50}, {90, 100}, {100, 100}, {200, 200}), (ZPoint{60, 50}));
  EXPECT_EQ(PanTarget({50, 50}, {400, 400}, {100, 100}, {200, 200}), (ZPoint{0, 0}));
  EXPECT_EQ(PanTarget({50, 50}, {-400, -400}, {100, 100}, {200, 200}), (ZPoint{200, 200}));
}

TEST(ZoomMath, visibleCentreUsesTheSmallerOfClientAndImage) {
  EXPECT_EQ(VisibleCentre({0, 0}, {400, 300}, {200, 100}, 100), (ZPoint{100, 50}));
  EXPECT_EQ(VisibleCentre({100, 0}, {400, 300}, {2000, 1000}, 200), (ZPoint{150, 75}));
}

TEST(ZoomMath, scrollForCentreOfTheOriginEndsAtTheTopLeft) {
  EXPECT_EQ(ScrollForCentre({0, 0}, 100, {2000, 2000}, {300, 200}), (ZPoint{0, 0}));
}

TEST(ZoomMath, scrollForCentrePutsThePointInTheMiddle) {
  // image point 500 at 200 % is device 1000; the client is 300 wide.
  EXPECT_EQ(ScrollForCentre({500, 500}, 200, {4000, 4000}, {300, 200}), (ZPoint{850, 900}));
  // Clamped at the far end.
  EXPECT_EQ(ScrollForCentre({1990, 1990}, 200, {4000, 4000}, {300, 200}), (ZPoint{3700, 3800}));
}

TEST(ZoomMath, tileOffsetIsNeverNegative) {
  EXPECT_EQ(TileOffset({13, 8}), (ZPoint{5, 0}));
  EXPECT_EQ(TileOffset({-3, -8}), (ZPoint{5, 0}));
}

TEST(ZoomMath, fitFrameOfALargeImageFillsTheMdiClient) {
  // Overhead 10 x 60 (border, caption, status bar).
  const ZRect r = FitFrameRect({800, 600}, {120, 80}, {310, 260}, {300, 200}, {4000, 3000});
  EXPECT_EQ(r, (ZRect{0, 0, 800, 600}));
}

TEST(ZoomMath, fitFrameOfASmallImageKeepsThePositionAndWrapsTheImage) {
  const ZRect r = FitFrameRect({800, 600}, {120, 80}, {310, 260}, {300, 200}, {160, 120});
  EXPECT_EQ(r, (ZRect{120, 80, 170, 180}));
}

TEST(ZoomMath, fitFrameMovesAFrameBackInsideTheMdiClient) {
  const ZRect r = FitFrameRect({800, 600}, {700, 500}, {310, 260}, {300, 200}, {400, 300});
  EXPECT_EQ(r, (ZRect{390, 240, 410, 360}));
}

} // namespace
} // namespace qv
