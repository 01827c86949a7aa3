#include "view/GammaMath.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "image/DibBitmap.h"

namespace qv {
namespace {

inline int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atof's reading: leading white space, an optional sign, the longest number
// that follows; 0 when there is none.
double AtofValue(const std::string& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && IsSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p < end && (*p == '+' || *p == '-')) return 0.0;  // from_chars would take a second sign
  double v = 0.0;
  const auto r = std::from_chars(p, end, v, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return 0.0;
  if (r.ec == std::errc::result_out_of_range) v = HUGE_VAL;  // too large or too small: either way refused
  return negative ? -v : v;
}

} // namespace

SliderSetup GammaSliderSetup() { return {1, 499, 25, {0, 100, 200, 300, 400}}; }
SliderSetup LevelSliderSetup() { return {0, 510, 32, {255, 127, 255, 383}}; }

int GammaSliderPosition(double gamma) {
  const double p = gamma * 100.0 + 1e-7;
  if (!(p >= 0.0)) return 0;
  if (p >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(p);
}

double GammaOfSliderPosition(int position) { return position * 0.01; }
int LevelSliderPosition(int value) { return value + 255; }
int LevelOfSliderPosition(int position) { return position - 255; }

std::string GammaText(double gamma) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%1.2f", gamma);
  return buf;
}

std::string LevelText(int value) { return std::to_string(value); }

GammaEntry ReadGammaEntry(const std::string& text, double current) {
  if (text.empty()) return {EntryOutcome::Ignored, current};
  const double v = AtofValue(text);
  if (!(v >= kGammaMin && v <= kGammaMax)) return {EntryOutcome::Refused, current};
  if (v == current) return {EntryOutcome::Unchanged, current};
  return {EntryOutcome::Accepted, v};
}

LevelEntry ReadLevelEntry(const std::string& text, int current) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return {EntryOutcome::Refused, current};
    // Past the range nothing more can bring it back; stop growing.
    if (magnitude <= kLevelMax) magnitude = magnitude * 10 + (c - '0');
  }
  const long long v = negative ? -magnitude : magnitude;
  if (v < kLevelMin || v > kLevelMax) return {EntryOutcome::Refused, current};
  if (v == current) return {EntryOutcome::Unchanged, current};
  return {EntryOutcome::Accepted, static_cast<int>(v)};
}

void ToneCurveValues::SetGamma(double gamma) {
  m_dGamma = gamma;
  m_anGamma = BuildGammaTable(gamma);
}

void ToneCurveValues::SetContrast(int contrast) {
  m_nContrast = contrast;
  m_anLevel = BuildLevelTable(m_nContrast, m_nBias);
}

void ToneCurveValues::SetBias(int bias) {
  m_nBias = bias;
  m_anLevel = BuildLevelTable(m_nContrast, m_nBias);
}

ToneMap FoldToneTables(const ToneTable& gamma, const ToneTable& level) {
  ToneMap map{};
  for (size_t b = 0; b < 256; ++b)
    map[b] = static_cast<uint8_t>(ClampByte(gamma[static_cast<size_t>(ClampByte(level[b]))]));
  return map;
}

void MapSamples(const ToneMap& map, const uint8_t* src, uint8_t* dst, size_t count) {
  for (size_t k = 0; k < count; ++k) dst[k] = map[src[k]];
}

PlotArea CurvePlotArea(int clientWidth, int clientHeight) {
  PlotArea a;
  a.side = std::min(clientWidth, clientHeight) - 2;
  a.left = (clientWidth - a.side) / 2;
  a.top = (clientHeight - a.side) / 2;
  return a;
}

int SampleLineX(const PlotArea& area, int sample) {
  return area.left + static_cast<int>(static_cast<int64_t>(sample) * area.side / 255);
}

std::vector<ZPoint> CurvePoints(const PlotArea& area, const ToneTable& gamma, const ToneTable& level) {
  std::vector<ZPoint> points(256);
  for (int i = 0; i < 256; ++i) {
    const int v = ClampByte(gamma[static_cast<size_t>(ClampByte(level[static_cast<size_t>(i)]))]);
    points[static_cast<size_t>(i)] = {area.left + static_cast<int>(static_cast<int64_t>(i) * area.side / 255),
                                      area.top + static_cast<int>(static_cast<int64_t>(area.side) * (255 - v) / 255)};
  }
  return points;
}

PreviewLayout LayoutTonePreview(int imageWidth, int imageHeight, int cx, int cy) {
  PreviewLayout l;
  if (imageWidth <= 0 || imageHeight <= 0 || cx <= 0 || cy <= 0) return l;
  const int64_t w = imageWidth, h = imageHeight;
  if (h < w) {
    l.m_sizeFit = {cx, static_cast<int>(cx * h / w)};
    l.m_ptFitDest = {0, (cy - l.m_sizeFit.cy) / 2};
    l.m_dScale = static_cast<double>(w) / cx;
  } else {
    l.m_sizeFit = {static_cast<int>(cy * w / h), cy};
    l.m_ptFitDest = {(cx - l.m_sizeFit.cx) / 2, 0};
    l.m_dScale = static_cast<double>(h) / cy;
  }
  l.m_ptSource = {(imageWidth - cx) / 2, (imageHeight - cy) / 2};
  if (l.m_ptSource.x < 0) {
    l.m_ptOneToOneDest.x = -l.m_ptSource.x;
    l.m_ptSource.x = 0;
  }
  if (l.m_ptSource.y < 0) {
    l.m_ptOneToOneDest.y = -l.m_ptSource.y;
    l.m_ptSource.y = 0;
  }
  return l;
}

ZPoint SourceForClick(const PreviewLayout& layout, int x, int y, int imageWidth, int imageHeight, int cx, int cy) {
  auto along = [&](int click, int fitStart, int extent, int client) {
    const double at = (static_cast<double>(click) - fitStart) * layout.m_dScale;
    int64_t s = (std::isfinite(at) ? static_cast<int64_t>(std::clamp(at, -1e15, 1e15)) : 0) - client / 2;
    s = std::min<int64_t>(s, static_cast<int64_t>(extent) - client);
    return static_cast<int>(std::max<int64_t>(s, 0));
  };
  return {along(x, layout.m_ptFitDest.x, imageWidth, cx), along(y, layout.m_ptFitDest.y, imageHeight, cy)};
}

PreviewPixels ReducedCopy(const CMemBitmap& image, int width, int height, bool average) {
  PreviewPixels out;
  const int sw = image.Width(), sh = image.Height();
  if (image.IsEmpty() || width <= 0 || height <= 0) return out;
  const int w = std::min(width, sw), h = std::min(height, sh);
  out.width = w;
  out.height = h;
  out.bgr.resize(static_cast<size_t>(w) * h * 3);
  // Column c covers source columns colStart[c] .. colStart[c + 1] - 1.
  std::vector<int> colStart(static_cast<size_t>(w) + 1);
  for (int c = 0; c <= w; ++c) colStart[static_cast<size_t>(c)] = static_cast<int>(int64_t{c} * sw / w);
  auto sourceRow = [&](int y) { return image.Row(sh - 1 - y); };  // rows are stored bottom-up

  if (!average) {
    for (int r = 0; r < h; ++r) {
      const uint8_t* src = sourceRow(static_cast<int>(int64_t{r} * sh / h));
      uint8_t* dst = out.bgr.data() + static_cast<size_t>(r) * w * 3;
      for (int c = 0; c < w; ++c) {
        const uint8_t* p = src + static_cast<size_t>(colStart[static_cast<size_t>(c)]) * 3;
        dst[3 * c] = p[0], dst[3 * c + 1] = p[1], dst[3 * c + 2] = p[2];
      }
    }
    return out;
  }
  std::vector<int> colOf(static_cast<size_t>(sw));
  for (int c = 0; c < w; ++c)
    for (int x = colStart[static_cast<size_t>(c)]; x < colStart[static_cast<size_t>(c) + 1]; ++x)
      colOf[static_cast<size_t>(x)] = c;
  std::vector<uint64_t> sums(static_cast<size_t>(w) * 3);
  for (int r = 0; r < h; ++r) {
    const int y0 = static_cast<int>(int64_t{r} * sh / h), y1 = static_cast<int>(int64_t{r + 1} * sh / h);
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = y0; y < y1; ++y) {
      const uint8_t* p = sourceRow(y);
      for (int x = 0; x < sw; ++x, p += 3) {
        uint64_t* s = &sums[static_cast<size_t>(colOf[static_cast<size_t>(x)]) * 3];
        s[0] += p[0], s[1] += p[1], s[2] += p[2];
      }
    }
    uint8_t* dst = out.bgr.data() + static_cast<size_t>(r) * w * 3;
    for (int c = 0; c < w; ++c) {
      const uint64_t n = static_cast<uint64_t>(colStart[static_cast<size_t>(c) + 1] - colStart[static_cast<size_t>(c)]) *
                         static_cast<uint64_t>(y1 - y0);
      for (int k = 0; k < 3; ++k) dst[3 * c + k] = static_cast<uint8_t>((sums[static_cast<size_t>(c) * 3 + k] + n / 2) / n);
    }
  }
  return out;
}

PreviewPixels ImageBlock(const CMemBitmap& image, int x, int y, int width, int height, ZPoint& at) {
  PreviewPixels out;
  const int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + std::max(width, 0), image.Width());
  const int64_t y1 = std::min<int64_t>(int64_t{y} + std::max(height, 0), image.Height());
  at = {static_cast<int>(x0), static_cast<int>(y0)};
  if (image.IsEmpty() || x1 <= x0 || y1 <= y0) return out;
  out.width = static_cast<int>(x1 - x0);
  out.height = static_cast<int>(y1 - y0);
  const size_t rowBytes = static_cast<size_t>(out.width) * 3;
  out.bgr.resize(rowBytes * static_cast<size_t>(out.height));
  for (int r = 0; r < out.height; ++r) {
    const uint8_t* src = image.Row(image.Height() - 1 - static_cast<int>(y0) - r) + x0 * 3;
    std::copy(src, src + rowBytes, out.bgr.data() + rowBytes * static_cast<size_t>(r));
  }
  return out;
}

} // namespace qv
