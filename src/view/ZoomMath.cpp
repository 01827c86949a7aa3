#include "view/ZoomMath.h"

#include <algorithm>

namespace qv {

// 64-bit intermediates: a 5000-pixel image at 1600 % stays far from the
// limits, but a hostile zoom table must not overflow.
int ImageToDevice(int i, int zoom) { return static_cast<int>((static_cast<long long>(i) * zoom + 50) / 100); }

int DeviceToImage(int d, int zoom) {
  if (zoom <= 0) return 0;
  return static_cast<int>((static_cast<long long>(d) * 100 + zoom / 2) / zoom);
}

ZPoint ImageToDevice(ZPoint p, int zoom) { return {ImageToDevice(p.x, zoom), ImageToDevice(p.y, zoom)}; }
ZPoint DeviceToImage(ZPoint p, int zoom) { return {DeviceToImage(p.x, zoom), DeviceToImage(p.y, zoom)}; }

ZSize GetZoomedSize(int width, int height, int zoom) {
  return {ImageToDevice(width, zoom), ImageToDevice(height, zoom)};
}

int FindZoomIndex(const int* table, int zoom) {
  int i = 0;
  while (table[i] != 0 && table[i] < zoom) ++i;
  if (table[i] == 0 && i > 0) --i;
  return i;
}

int ZoomStepUp(const int* table, int zoom) {
  if (table[0] == 0) return 0;
  const int i = FindZoomIndex(table, zoom);
  return table[i + 1];
}

int ZoomStepDown(const int* table, int zoom) {
  if (table[0] == 0) return 0;
  const int i = FindZoomIndex(table, zoom);
  return i - 1 >= 0 ? table[i - 1] : 0;
}

PaintPlan ComputePaintPlan(ZPoint scroll, ZSize client, int imageWidth, int imageHeight, int zoom) {
  PaintPlan plan;
  if (zoom <= 0 || imageWidth <= 0 || imageHeight <= 0) return plan;
  const ZSize zoomed = GetZoomedSize(imageWidth, imageHeight, zoom);

  ZPoint s = DeviceToImage(scroll, zoom);
  if (s.x > 0) --s.x;
  if (s.y > 0) --s.y;
  const ZPoint d = ImageToDevice(s, zoom);

  ZSize e{zoomed.cx - d.x, zoomed.cy - d.y};
  if (e.cx >= client.cx) e.cx = client.cx;
  if (e.cy >= client.cy) e.cy = client.cy;

  ZPoint end{s.x + DeviceToImage(e.cx, zoom), s.y + DeviceToImage(e.cy, zoom)};
  end.x = std::min(end.x + 2, imageWidth);
  end.y = std::min(end.y + 2, imageHeight);

  plan.source = {s.x, s.y, end.x - s.x, end.y - s.y};
  plan.dest = {d.x, d.y, ImageToDevice(plan.source.cx, zoom), ImageToDevice(plan.source.cy, zoom)};
  return plan;
}

ZPoint MaxScrollPosition(ZSize zoomed, ZSize client) {
  return {std::max(0, zoomed.cx - client.cx), std::max(0, zoomed.cy - client.cy)};
}

ZPoint KeyScrollTarget(ZPoint scroll, ZPoint step, int zoom, ZSize zoomed, ZSize client) {
  const ZPoint largest = MaxScrollPosition(zoomed, client);
  if (zoom > 100) {
    step.x = step.x * zoom / 100;
    step.y = step.y * zoom / 100;
  }
  return {std::clamp(scroll.x + step.x, 0, largest.x), std::clamp(scroll.y + step.y, 0, largest.y)};
}

ZPoint PanTarget(ZPoint scrollAtPress, ZPoint mouse, ZPoint mouseAtPress, ZPoint limits) {
  const int x = scrollAtPress.x - (mouse.x - mouseAtPress.x);
  const int y = scrollAtPress.y - (mouse.y - mouseAtPress.y);
  return {std::clamp(x, 0, std::max(0, limits.x)), std::clamp(y, 0, std::max(0, limits.y))};
}

ZPoint VisibleCentre(ZPoint scroll, ZSize client, ZSize zoomed, int zoom) {
  const int vx = std::min(client.cx, zoomed.cx);
  const int vy = std::min(client.cy, zoomed.cy);
  return DeviceToImage(ZPoint{scroll.x + vx / 2, scroll.y + vy / 2}, zoom);
}

ZPoint ScrollForCentre(ZPoint centre, int zoom, ZSize zoomed, ZSize client) {
  const ZPoint c = ImageToDevice(centre, zoom);
  const ZPoint largest = MaxScrollPosition(zoomed, client);
  return {std::clamp(c.x - client.cx / 2, 0, largest.x), std::clamp(c.y - client.cy / 2, 0, largest.y)};
}

ZPoint TileOffset(ZPoint scroll) {
  int x = scroll.x % 8;
  int y = scroll.y % 8;
  if (x < 0) x += 8;
  if (y < 0) y += 8;
  return {x, y};
}

namespace {

// One axis of the fit: the new client extent and the frame position.
void FitAxis(int zoomed, int available, int& pos, int& extent) {
  if (zoomed > available) {
    extent = available;
    pos = 0;
    return;
  }
  extent = zoomed;
  if (pos + zoomed > available) pos = available - zoomed;
  if (pos < 0) pos = 0;
}

} // namespace

ZRect FitFrameRect(ZSize mdiClient, ZPoint framePos, ZSize frameSize, ZSize viewClient, ZSize zoomed) {
  const int ox = frameSize.cx - viewClient.cx;
  const int oy = frameSize.cy - viewClient.cy;
  const int aw = mdiClient.cx - ox;
  const int ah = mdiClient.cy - oy;
  int x = framePos.x, y = framePos.y, w = 0, h = 0;
  FitAxis(zoomed.cx, aw, x, w);
  FitAxis(zoomed.cy, ah, y, h);
  return {x, y, w + ox, h + oy};
}

} // namespace qv
