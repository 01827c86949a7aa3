#include "image/DisplayBitmap.h"

#include <vector>

#include "app/ConverterApp.h"
#include "image/ColorMatcher.h"
#include "image/FixedPalette.h"

namespace qv {

DisplayOptions DisplayOptionsOf(const CConverterApp& app) {
  DisplayOptions d;
  d.depth = app.m_displayDepth;
  d.ditherFor16bit = app.m_settings.UseDitherFor16bitColor != 0;
  return d;
}

namespace {

inline int Clamp(int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

void WriteEntry(uint8_t* p, const RgbQuad& q) {
  p[0] = q.rgbBlue;
  p[1] = q.rgbGreen;
  p[2] = q.rgbRed;
}

// 3-3-2 ordered dither with the 2 x 2 matrix 0 3 / 2 1; y counts memory
// rows from the bottom.
void Dither332(uint8_t* bits, int width, int height, size_t stride, const RgbQuad* palette) {
  for (int y = 0; y < height; ++y) {
    uint8_t* p = bits + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x, p += 3) {
      const int t = (x & 1) | (((x + y) & 1) << 1);
      const int h = 256 * t - 128;
      const int b = Clamp((p[0] + h / 16 - 16) / 64, 3);
      const int g = Clamp((p[1] + h / 32 - 8) / 32, 7);
      const int r = Clamp((p[2] + h / 32 - 8) / 32, 7);
      WriteEntry(p, palette[b | (r << 2) | (g << 5)]);
    }
  }
}

// Pre-dither for a 15-bit display: a component with k of its low three
// bits set is raised by 7 on k of every 8 phases, so the 5-bit truncation
// averages to the true value.
void Dither15(uint8_t* bits, int width, int height, size_t stride) {
  static const uint8_t kPattern[8] = {0x00, 0x10, 0x44, 0x92, 0x55, 0x6D, 0xBB, 0xEF};
  int order[8];
  for (int k = 0, v = 0; k < 8; ++k, v = (v + 3) & 7) order[k] = v;
  for (int y = 0; y < height; ++y) {
    uint8_t* p = bits + static_cast<size_t>(y) * stride;
    unsigned phase = static_cast<unsigned>(order[y & 7]);
    for (int x = 0; x < width; ++x, ++phase) {
      const unsigned mask = 1u << (phase & 7);
      for (int c = 0; c < 3; ++c, ++p) {
        const int v = *p;
        if (v != 0 && (mask & kPattern[v & 7])) *p = static_cast<uint8_t>(v >= 249 ? 255 : v + 7);
      }
    }
  }
}

void MatchPalette(uint8_t* bits, int width, int height, size_t stride, const RgbQuad* palette, int count) {
  CColorMatcher matcher;
  matcher.Init(palette, count, count);
  matcher.BuildIndex();
  for (int y = 0; y < height; ++y) {
    uint8_t* p = bits + static_cast<size_t>(y) * stride;
    // Neighbouring pixels often repeat.
    uint8_t last[3] = {0, 0, 0};
    RgbQuad lastEntry{};
    bool haveLast = false;
    for (int x = 0; x < width; ++x, p += 3) {
      if (!haveLast || p[0] != last[0] || p[1] != last[1] || p[2] != last[2]) {
        last[0] = p[0];
        last[1] = p[1];
        last[2] = p[2];
        lastEntry = palette[matcher.FindNearest(p)];
        haveLast = true;
      }
      WriteEntry(p, lastEntry);
    }
  }
}

} // namespace

int DisplayDitherColors(const DisplayOptions& options) {
  const int depth = options.depth;
  if (depth >= (options.ditherFor16bit ? 24 : 15)) return 0;
  if (depth <= 4) return 16;
  if (depth <= 7) return 64;
  if (depth <= 14) return 256;
  return kDither15bit;
}

bool MakeDisplayBitmap(CDibBitmap& target, int width, int height, PixelBytes&& rows24,
                       const DisplayOptions& options) {
  const int colors = DisplayDitherColors(options);
  if (colors == 0) return target.AdoptRows(width, height, kColorTrue, std::move(rows24));
  return DitherForDisplay(target, width, height, std::move(rows24), colors);
}

bool DitherForDisplay(CDibBitmap& target, int width, int height, PixelBytes&& rows24, int colors) {
  if (colors != 16 && colors != 64 && colors != 256 && colors != kDither15bit) return false;
  if (width <= 0 || height <= 0) return false;
  const size_t stride = static_cast<size_t>(DibStride(width, 24));
  if (rows24.size() != stride * static_cast<size_t>(height)) return false;

  std::vector<RgbQuad> palette;
  if (colors == kDither15bit) {
    Dither15(rows24.data(), width, height, stride);
  } else {
    palette.resize(static_cast<size_t>(colors));
    FillFixedPalette(palette.data(), colors);
    if (colors == 256)
      Dither332(rows24.data(), width, height, stride, palette.data());
    else
      MatchPalette(rows24.data(), width, height, stride, palette.data(), colors);
  }
  if (!target.AdoptRows(width, height, palette.empty() ? kColorTrue : kColor256, std::move(rows24)))
    return false;
  if (!palette.empty()) target.SetPalette(palette.data(), colors);
  return true;
}

} // namespace qv
