#include "image/ToneTables.h"

#include <cmath>
#include <cstdint>

#include "image/DibBitmap.h"

namespace qv {

ToneTable BuildGammaTable(double gamma) {
  ToneTable g{};
  const double m = std::pow(255.0, gamma);
  int index = 0, last = 0;
  for (int base = 0; base < 256; ++base) {
    double x = std::pow(static_cast<double>(base), gamma) * 255.0 / m;
    // Out-of-range exponents give infinities or NaN here; the table
    // index must stay within 0..256 whatever the exponent.
    if (!(x >= 0.0)) x = 0.0;
    if (x > 256.0) x = 256.0;
    const int v = static_cast<int>(x);
    if (v > index) {
      for (int i = index; i < v; ++i) g[static_cast<size_t>(i)] = last;
      index = v;
      last = base;
    }
  }
  for (int i = index; i < 256; ++i) g[static_cast<size_t>(i)] = 255;
  return g;
}

ToneTable BuildLevelTable(int contrast, int bias) {
  ToneTable l{};
  long i = 0, v = bias;
  if (bias < 0) {
    const long zeroEnd = -static_cast<long>(bias) < 255 ? -static_cast<long>(bias) : 255;
    for (long k = 0; k <= zeroEnd; ++k) l[static_cast<size_t>(k)] = 0;
    i = 1 - static_cast<long>(bias);
    v = 1;
  }
  // acc carries the fraction of the slope in 1/256 steps; every loop
  // advances i or v, so it ends for any contrast.
  if (contrast >= 0) {
    const long step = 256 - static_cast<long>(contrast);
    long acc = step / 2;
    while (i < 256 && v < 256) {
      l[static_cast<size_t>(i)] = static_cast<int>(v);
      acc += step;
      ++v;
      if (acc >= 256) {
        acc -= 256;
        ++i;
      }
    }
  } else {
    const long step = 256 + static_cast<long>(contrast);
    long acc = step / 2;
    while (i < 256 && v < 256) {
      l[static_cast<size_t>(i)] = static_cast<int>(v);
      acc += step;
      ++i;
      if (acc >= 256) {
        acc -= 256;
        ++v;
      }
    }
  }
  if (v >= 256)
    for (; i < 256; ++i) l[static_cast<size_t>(i)] = 255;
  return l;
}

void SampleRange(const CMemBitmap& image, int& minSample, int& maxSample) {
  int lo = 255, hi = 0;
  if (!image.IsEmpty()) {
    const size_t n = static_cast<size_t>(image.Width()) * 3;
    for (int y = 0; y < image.Height(); ++y) {
      const uint8_t* p = image.Row(y);
      for (size_t k = 0; k < n; ++k) {
        if (p[k] > hi) hi = p[k];
        if (p[k] < lo) lo = p[k];
      }
    }
  }
  minSample = lo;
  maxSample = hi;
}

} // namespace qv
