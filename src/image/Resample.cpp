#include "image/Resample.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "image/LinePlan.h"
#include "image/RowResampler.h"

namespace qv {
namespace {

// Vertical pass then horizontal pass, the source's rows fed from the
// bottom. Throws std::bad_alloc when memory runs out.
PixelBytes DrawFitted(const CMemBitmap& source, int canvasWidth, int canvasHeight) {
  CRowResampler resampler;
  resampler.Begin(source.Width(), source.Height(), canvasWidth, canvasHeight, false);
  for (int k = 0; k < source.Height(); ++k) resampler.PushRow(source.Row(k));
  return resampler.TakeCanvas();
}

} // namespace

FitResult FitToCanvas(int srcWidth, int srcHeight, int canvasWidth, int canvasHeight) {
  FitResult fit;
  if (srcWidth <= 0 || srcHeight <= 0 || canvasWidth <= 0 || canvasHeight <= 0) return fit;
  const int64_t sw = srcWidth, sh = srcHeight, W = canvasWidth, H = canvasHeight;
  int64_t fw = W, fh = H;
  if (sw != (sh / 3) * 4) {
    bool byWidth = (sw < W && sh < H) ? W - sw < H - sh : sw - W > sh - H;
    if (!byWidth) {
      fh = H;
      fw = sw * H / sh;
      if (fw > W) byWidth = true;
    }
    if (byWidth) {
      fw = W;
      fh = sh * W / sw;
      if (fh > H) {
        fh = H;
        fw = H * sw / sh;
      }
    }
  }
  fit.width = static_cast<int>(fw);
  fit.height = static_cast<int>(fh);
  fit.x0 = static_cast<int>(((W > fw ? W - fw : fw - W) + 1) / 2);
  fit.y0 = static_cast<int>(((H > fh ? H - fh : fh - H) + 1) / 2);
  return fit;
}

void ShrinkLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep) {
  if (!dst || !src) return;
  resample::ApplyLine(resample::PlanShrink(srcLen, dstLen), dst, dstStep, src, srcStep);
}

// Positions are in units where a source sample spans dstLen and an output
// sample srcLen. A used sample weighs the product of the other used
// samples' distances; that product is formed directly, so it is exact.
std::vector<EnlargeWeight> BuildEnlargeWeights(int srcLen, int dstLen) {
  std::vector<EnlargeWeight> table;
  if (srcLen <= 0 || dstLen <= 0 || dstLen > (1 << 30)) return table;
  table.resize(static_cast<size_t>(dstLen));
  const int64_t ns = srcLen, nd = dstLen;
  const int64_t a = nd / ns, half = ns / 2, limit = nd + half;
  auto capped = [limit](int64_t dist) {
    if (dist < 0) dist = -dist;
    return dist > limit ? -1 : dist;
  };
  int64_t i = 0, phase = half;
  for (int64_t j = 0; j < nd; ++j) {
    const int64_t e = j * ns - ns * (a / 2);
    const int64_t f = e - i * nd;
    const int64_t g = capped(f);
    const int64_t prev = i > 0 ? capped(e - (i - 1) * nd) : -1;
    const int64_t next = i < ns - 1 ? capped(f - nd) : -1;
    const int64_t gf = g == -1 ? 1 : g, pf = prev == -1 ? 1 : prev, nf = next == -1 ? 1 : next;
    EnlargeWeight& w = table[static_cast<size_t>(j)];
    w = EnlargeWeight{g, prev, next, 0};
    if (g > 0) w.sum += w.centre = pf * nf;
    if (prev > 0) w.sum += w.previous = gf * nf;
    if (next > 0) w.sum += w.next = gf * pf;
    phase += ns;
    if (phase >= nd) {
      phase -= nd;
      ++i;
    }
  }
  return table;
}

void EnlargeLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep,
                 const EnlargeWeight* weights) {
  if (!dst || !src) return;
  resample::ApplyLine(resample::PlanEnlarge(weights, srcLen, dstLen), dst, dstStep, src, srcStep);
}

int ResizeBitmap(const CMemBitmap& source, int width, int height, const DisplayOptions& display,
                 CDibBitmap& out, FitResult* fitted, std::string* error) {
  auto fail = [&](const char* text) {
    out.Release();
    if (error) *error = text;
    return 0;
  };
  if (source.IsEmpty() || source.Width() <= 0 || source.Height() <= 0) return fail(kCantMakeDib);
  if (!out.Create(width, height, kColorTrue)) return fail(kCantMakeBitmap);
  out.Release();
  const FitResult fit = FitToCanvas(source.Width(), source.Height(), width, height);
  PixelBytes canvas;
  try {
    canvas = DrawFitted(source, width, height);
  } catch (const std::exception&) {
    return fail(kCantMakeBitmap);
  }
  if (!MakeDisplayBitmap(out, width, height, std::move(canvas), display)) return fail(kCantMakeBitmap);
  if (fitted) *fitted = fit;
  return 1;
}

int MakeBlankImage(int width, int height, const DisplayOptions& display, CDibBitmap& out,
                   std::string* error) {
  auto fail = [&](const char* text) {
    out.Release();
    if (error) *error = text;
    return 0;
  };
  if (!out.Create(width, height, kColorTrue)) return fail(kCantMakeBitmap);
  PixelBytes rows = out.TakeRows();
  std::memset(rows.data(), 255, rows.size());
  if (!MakeDisplayBitmap(out, width, height, std::move(rows), display)) return fail(kCantMakeBitmap);
  return 1;
}

} // namespace qv
