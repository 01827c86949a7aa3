#pragma once
// The image view's arithmetic without a window: zoom conversions, the zoom
// table walk, the part of the image a paint needs, key steps, the pan clamp,
// the scroll position after a zoom change and the frame fitted around an
// image. Integers throughout; divisions truncate toward zero.

namespace qv {

struct ZPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ZPoint& o) const { return x == o.x && y == o.y; }
};

struct ZSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const ZSize& o) const { return cx == o.cx && cy == o.cy; }
};

struct ZRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool operator==(const ZRect& o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
};

// d = (i * zoom + 50) / 100
int ImageToDevice(int i, int zoom);
// i = (d * 100 + zoom / 2) / zoom
int DeviceToImage(int d, int zoom);
ZPoint ImageToDevice(ZPoint p, int zoom);
ZPoint DeviceToImage(ZPoint p, int zoom);
// The image size at a zoom: the scroll extent of the view.
ZSize GetZoomedSize(int width, int height, int zoom);

// `table` is a list of ascending percentages ended by 0. The first entry
// >= zoom, or the last entry when zoom is larger than all of them.
int FindZoomIndex(const int* table, int zoom);
// The entry Size Up goes to, or 0 when there is none.
int ZoomStepUp(const int* table, int zoom);
// The entry Size Down goes to, or 0 when there is none.
int ZoomStepDown(const int* table, int zoom);

// What one paint draws: the source rectangle in image pixels (one pixel of
// margin before the visible area, two after, so partly visible zoomed
// pixels are drawn whole) and its destination in zoomed coordinates.
struct PaintPlan {
  ZRect source;
  ZRect dest;
  bool empty() const { return source.cx <= 0 || source.cy <= 0; }
};
PaintPlan ComputePaintPlan(ZPoint scroll, ZSize client, int imageWidth, int imageHeight, int zoom);

// Largest scroll position: (max(0, W - client width), max(0, H - client height)).
ZPoint MaxScrollPosition(ZSize zoomed, ZSize client);
// Scroll position after a key step; above 100 % the step counts image pixels.
ZPoint KeyScrollTarget(ZPoint scroll, ZPoint step, int zoom, ZSize zoomed, ZSize client);
// Scroll position while panning, clamped to 0..limits.
ZPoint PanTarget(ZPoint scrollAtPress, ZPoint mouse, ZPoint mouseAtPress, ZPoint limits);

// The centre of the visible area in image pixels: scroll position plus half
// the visible extent, converted at `zoom`.
ZPoint VisibleCentre(ZPoint scroll, ZSize client, ZSize zoomed, int zoom);
// Scroll position that shows image point `centre` in the middle of the
// client area at `zoom`, clamped to the scroll range. A centre of (0, 0)
// ends at the top-left corner.
ZPoint ScrollForCentre(ZPoint centre, int zoom, ZSize zoomed, ZSize client);

// Offset into the background tile for a scroll position: each coordinate
// modulo 8, never negative.
ZPoint TileOffset(ZPoint scroll);

// The frame rectangle (in MDI client coordinates) that makes the view's
// client area the zoomed image where the MDI client allows it.
ZRect FitFrameRect(ZSize mdiClient, ZPoint framePos, ZSize frameSize, ZSize viewClient, ZSize zoomed);

} // namespace qv
