#include "image/Resample.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {
namespace {

__extension__ typedef unsigned __int128 Wide;

// Both kernels reduce to the same shape: each output sample is a weighted
// sum of a run of consecutive source samples divided by a divisor. Plans
// are built once per line length and reused for every row or column, and
// the weighted sums are exact (no wrap-around) at any size.
struct Tap {
  int first = 0;          // first source sample of the run
  int count = 0;          // samples in the run
  size_t weight = 0;      // index of the run's first weight
  uint64_t divisor = 0;   // 0: copy sample `first`
  uint64_t magic = 0;     // ceil(2^64 / divisor); 0 for a divisor of 1
};

struct LinePlan {
  std::vector<Tap> taps;
  std::vector<uint64_t> weights;
  bool fits32 = true;  // every weighted sum stays below 2^32
  bool fits16 = true;  // every weight below 2^16 (SIMD products)
  bool vectorDivide = true;  // quotients below 256 and sums below 2^31
};

constexpr uint64_t kMax32Bound = 0xFFFFFFFFu / 255u;
constexpr uint64_t kMax31Bound = 0x7FFFFFFFu / 255u;

void AddWeight(LinePlan& plan, Tap& tap, uint64_t w) {
  plan.weights.push_back(w);
  ++tap.count;
  if (w > 0xFFFF) plan.fits16 = false;
}

// weightSum bounds the sum before division: it is at most 255 x weightSum.
void CloseTap(LinePlan& plan, Tap tap, uint64_t weightSum) {
  if (std::max(weightSum, tap.divisor) > kMax32Bound) plan.fits32 = false;
  if (weightSum > tap.divisor || tap.divisor > kMax31Bound) plan.vectorDivide = false;
  // Exact n / d for 32-bit n and d by one multiply (Lemire, Kaser, Kurz).
  tap.magic = tap.divisor > 1 ? UINT64_MAX / tap.divisor + 1 : 0;
  plan.taps.push_back(tap);
}

void CopyTap(LinePlan& plan, int index) {
  Tap tap;
  tap.first = index;
  tap.count = 1;
  plan.taps.push_back(tap);
}

// The box average: sample k ends at position p = c + dstLen within its
// cell and weighs p; a sample crossing a cell end gives the closing cell
// dstLen - p and the next one the rest.
LinePlan PlanShrink(int srcLen, int dstLen) {
  LinePlan plan;
  if (srcLen <= 0 || dstLen <= 0 || dstLen > srcLen) return plan;
  plan.taps.reserve(static_cast<size_t>(dstLen));
  plan.weights.reserve(static_cast<size_t>(srcLen) + static_cast<size_t>(dstLen));
  Tap tap;
  int64_t c = 0;
  for (int k = 0; k < srcLen; ++k) {
    int64_t p = c + dstLen;
    if (p >= srcLen) {
      p -= srcLen;
      AddWeight(plan, tap, static_cast<uint64_t>(dstLen - p));
      tap.divisor += static_cast<uint64_t>(dstLen - p);
      CloseTap(plan, tap, tap.divisor);
      tap = Tap();
      tap.first = p > 0 ? k : k + 1;
      tap.weight = plan.weights.size();
    }
    if (p > 0) {
      AddWeight(plan, tap, static_cast<uint64_t>(p));
      tap.divisor += static_cast<uint64_t>(p);
    }
    c = p;
  }
  return plan;
}

// Records whose sum is 0 would divide by zero; they copy the centre sample.
LinePlan PlanEnlarge(const EnlargeWeight* records, int srcLen, int dstLen) {
  LinePlan plan;
  if (!records || srcLen <= 0 || dstLen <= 0) return plan;
  plan.taps.reserve(static_cast<size_t>(dstLen));
  plan.weights.reserve(3 * static_cast<size_t>(dstLen));
  int i = 0;
  int64_t phase = srcLen / 2;
  for (int j = 0; j < dstLen; ++j) {
    const EnlargeWeight& r = records[j];
    if (r.centre == 0 || r.sum <= 0) {
      CopyTap(plan, i);
    } else {
      const bool usePrev = r.previous > 0 && i > 0;
      const bool useNext = r.next > 0 && i + 1 < srcLen;
      Tap tap;
      tap.first = usePrev ? i - 1 : i;
      tap.weight = plan.weights.size();
      uint64_t weightSum = 0;
      auto add = [&](int64_t w) {
        const uint64_t u = w > 0 ? static_cast<uint64_t>(w) : 0;
        AddWeight(plan, tap, u);
        weightSum += u;
      };
      if (usePrev) add(r.previous);
      add(r.centre);
      if (useNext) add(r.next);
      tap.divisor = static_cast<uint64_t>(r.sum);
      CloseTap(plan, tap, weightSum);
    }
    phase += srcLen;
    if (phase >= dstLen) {
      phase -= dstLen;
      if (i + 1 < srcLen) ++i;
    }
  }
  return plan;
}

LinePlan PlanLine(int srcLen, int dstLen) {
  if (dstLen < srcLen) return PlanShrink(srcLen, dstLen);
  const std::vector<EnlargeWeight> records = BuildEnlargeWeights(srcLen, dstLen);
  return PlanEnlarge(records.data(), srcLen, static_cast<int>(records.size()));
}

inline uint8_t Quotient(uint32_t n, const Tap& tap) {
  return static_cast<uint8_t>(tap.magic ? static_cast<uint32_t>((static_cast<Wide>(tap.magic) * n) >> 64) : n);
}
inline uint8_t Quotient(Wide n, const Tap& tap) { return static_cast<uint8_t>(n / tap.divisor); }

// One channel, samples `step` bytes apart.
template <typename Acc>
void ApplyLine(const LinePlan& plan, uint8_t* dst, int dstStep, const uint8_t* src, int srcStep) {
  for (const Tap& tap : plan.taps) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(tap.first) * srcStep;
    if (tap.divisor == 0) {
      *dst = *s;
    } else {
      const uint64_t* w = plan.weights.data() + tap.weight;
      Acc acc = 0;
      for (int k = 0; k < tap.count; ++k, s += srcStep) acc += static_cast<Acc>(w[k]) * *s;
      *dst = Quotient(acc, tap);
    }
    dst += dstStep;
  }
}

void ApplyLine(const LinePlan& plan, uint8_t* dst, int dstStep, const uint8_t* src, int srcStep) {
  if (plan.fits32)
    ApplyLine<uint32_t>(plan, dst, dstStep, src, srcStep);
  else
    ApplyLine<Wide>(plan, dst, dstStep, src, srcStep);
}

// Blue, green and red of one 24-bit row at once; the same sums as three
// ApplyLine calls with step 3.
void ApplyPixels(const LinePlan& plan, uint8_t* dst, const uint8_t* src) {
  if (!plan.fits32) {
    for (int ch = 0; ch < 3; ++ch) ApplyLine<Wide>(plan, dst + ch, 3, src + ch, 3);
    return;
  }
  for (const Tap& tap : plan.taps) {
    const uint8_t* s = src + 3 * static_cast<ptrdiff_t>(tap.first);
    if (tap.divisor == 0) {
      dst[0] = s[0];
      dst[1] = s[1];
      dst[2] = s[2];
    } else {
      const uint64_t* w = plan.weights.data() + tap.weight;
      uint32_t b = 0, g = 0, r = 0;
      for (int k = 0; k < tap.count; ++k, s += 3) {
        const uint32_t wk = static_cast<uint32_t>(w[k]);
        b += wk * s[0];
        g += wk * s[1];
        r += wk * s[2];
      }
      dst[0] = Quotient(b, tap);
      dst[1] = Quotient(g, tap);
      dst[2] = Quotient(r, tap);
    }
    dst += 3;
  }
}

#if defined(__SSE2__)
// The four 32-bit lane groups of w x (16 bytes at p), w below 2^16.
struct Products {
  __m128i q0, q1, q2, q3;
};
inline Products MulBytes(const uint8_t* p, __m128i w16) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
  const __m128i loL = _mm_mullo_epi16(lo, w16), loH = _mm_mulhi_epu16(lo, w16);
  const __m128i hiL = _mm_mullo_epi16(hi, w16), hiH = _mm_mulhi_epu16(hi, w16);
  return Products{_mm_unpacklo_epi16(loL, loH), _mm_unpackhi_epi16(loL, loH), _mm_unpacklo_epi16(hiL, hiH),
                  _mm_unpackhi_epi16(hiL, hiH)};
}
inline void AddTo(Products& p, const uint32_t* acc) {
  const auto* a = reinterpret_cast<const __m128i*>(acc);
  p.q0 = _mm_add_epi32(p.q0, _mm_loadu_si128(a));
  p.q1 = _mm_add_epi32(p.q1, _mm_loadu_si128(a + 1));
  p.q2 = _mm_add_epi32(p.q2, _mm_loadu_si128(a + 2));
  p.q3 = _mm_add_epi32(p.q3, _mm_loadu_si128(a + 3));
}
// Four sums below 2^31 divided through doubles; see VectorInverse.
inline __m128i DivideLanes(__m128i s, __m128d inverse) {
  const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(s), inverse));
  const __m128i hi = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(s, 0xEE)), inverse));
  return _mm_unpacklo_epi64(lo, hi);
}
#endif

// acc = (init ? 0 : acc) + w x row, for w below 2^16.
void MulAddRow16(uint32_t* acc, const uint8_t* row, size_t n, uint32_t w, bool init) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i w16 = _mm_set1_epi16(static_cast<short>(w));
  for (; i + 16 <= n; i += 16) {
    Products p = MulBytes(row + i, w16);
    if (!init) AddTo(p, acc + i);
    auto* a = reinterpret_cast<__m128i*>(acc + i);
    _mm_storeu_si128(a, p.q0);
    _mm_storeu_si128(a + 1, p.q1);
    _mm_storeu_si128(a + 2, p.q2);
    _mm_storeu_si128(a + 3, p.q3);
  }
#endif
  if (init)
    for (; i < n; ++i) acc[i] = w * row[i];
  else
    for (; i < n; ++i) acc[i] += w * row[i];
}

// A multiplier that makes trunc(n x inverse) equal n / d for every
// quotient below 256 and d below 2^41: it exceeds 1/d by a relative 2^-51
// to 2^-49, more than all rounding errors together and too little to
// reach the next integer.
double VectorInverse(uint64_t d) { return (1.0 / static_cast<double>(d)) * (1.0 + 0x1p-50); }

// out = ((acc or 0) + w x row) / divisor, for w below 2^16; `vector`
// when quotients stay below 256 and sums below 2^31.
void FinishRow16(uint8_t* out, const uint32_t* acc, const uint8_t* row, size_t n, uint32_t w, const Tap& tap,
                 bool vector) {
  size_t i = 0;
#if defined(__SSE2__)
  if (vector) {
    const __m128i w16 = _mm_set1_epi16(static_cast<short>(w));
    const __m128d inverse = _mm_set1_pd(VectorInverse(tap.divisor));
    for (; i + 16 <= n; i += 16) {
      Products p = MulBytes(row + i, w16);
      if (acc) AddTo(p, acc + i);
      const __m128i a = _mm_packs_epi32(DivideLanes(p.q0, inverse), DivideLanes(p.q1, inverse));
      const __m128i b = _mm_packs_epi32(DivideLanes(p.q2, inverse), DivideLanes(p.q3, inverse));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
  }
#else
  (void)vector;
#endif
  const Tap local = tap;
  for (; i < n; ++i) out[i] = Quotient((acc ? acc[i] : 0u) + w * row[i], local);
}

template <typename Acc>
void MulAddRow(Acc* acc, const uint8_t* row, size_t n, uint64_t w, bool init) {
  const Acc wa = static_cast<Acc>(w);
  if (init)
    for (size_t i = 0; i < n; ++i) acc[i] = wa * row[i];
  else
    for (size_t i = 0; i < n; ++i) acc[i] += wa * row[i];
}

// Makes the rows of the vertical pass one at a time from the source rows,
// so no intermediate image is needed.
class RowMaker {
public:
  RowMaker(const LinePlan& plan, const uint8_t* base, ptrdiff_t stride, size_t rowBytes)
      : m_plan(plan), m_base(base), m_stride(stride), m_rowBytes(rowBytes), m_out(rowBytes) {
    if (plan.fits32)
      m_acc32.resize(rowBytes);
    else
      m_accWide.resize(rowBytes);
  }

  // Row `o` of the output; may point into the source.
  const uint8_t* Make(int o) {
    const Tap& tap = m_plan.taps[static_cast<size_t>(o)];
    const uint8_t* row = m_base + tap.first * m_stride;
    if (tap.divisor == 0) return row;
    if (m_plan.fits32 && m_plan.fits16)
      Sum16(tap, row);
    else if (m_plan.fits32)
      Sum(tap, row, m_acc32.data());
    else
      Sum(tap, row, m_accWide.data());
    return m_out.data();
  }

private:
  // The last weighted row is added during the division, saving a pass.
  void Sum16(const Tap& tap, const uint8_t* row) {
    const uint64_t* w = m_plan.weights.data() + tap.weight;
    int last = tap.count - 1;
    while (last > 0 && w[last] == 0) --last;
    bool init = true;
    for (int k = 0; k < last; ++k, row += m_stride) {
      if (w[k] == 0) continue;
      MulAddRow16(m_acc32.data(), row, m_rowBytes, static_cast<uint32_t>(w[k]), init);
      init = false;
    }
    if (last > 0) row = m_base + (tap.first + last) * m_stride;
    FinishRow16(m_out.data(), init ? nullptr : m_acc32.data(), row, m_rowBytes, static_cast<uint32_t>(w[last]), tap,
                m_plan.vectorDivide);
  }

  template <typename Acc>
  void Sum(const Tap& tap, const uint8_t* row, Acc* acc) {
    const uint64_t* w = m_plan.weights.data() + tap.weight;
    bool init = true;
    for (int k = 0; k < tap.count; ++k, row += m_stride) {
      if (w[k] == 0) continue;
      MulAddRow(acc, row, m_rowBytes, w[k], init);
      init = false;
    }
    if (init) std::fill(acc, acc + m_rowBytes, Acc(0));
    uint8_t* out = m_out.data();
    const Tap local = tap;
    for (size_t i = 0; i < m_rowBytes; ++i) out[i] = Quotient(acc[i], local);
  }

  const LinePlan& m_plan;
  const uint8_t* m_base;
  ptrdiff_t m_stride;
  size_t m_rowBytes;
  PixelBytes m_out;
  std::vector<uint32_t> m_acc32;
  std::vector<Wide> m_accWide;
};

// Vertical pass then horizontal pass, one row at a time, into the cleared
// canvas. Throws std::bad_alloc when memory runs out.
void DrawFitted(const CMemBitmap& source, const FitResult& fit, int canvasWidth, uint8_t* canvas) {
  const int sw = source.Width(), sh = source.Height();
  const size_t rowBytes = 3 * static_cast<size_t>(sw);
  const ptrdiff_t canvasStride = static_cast<ptrdiff_t>(DibStride(canvasWidth, 24));
  const LinePlan columns = fit.height == sh ? LinePlan() : PlanLine(sh, fit.height);
  const LinePlan rows = fit.width == sw ? LinePlan() : PlanLine(sw, fit.width);
  RowMaker maker(columns, source.Bits(), static_cast<ptrdiff_t>(source.Stride()), rowBytes);

  for (int r = 0; r < fit.height; ++r) {
    const uint8_t* mid = fit.height == sh ? source.Row(r) : maker.Make(r);
    uint8_t* dst = canvas + (fit.y0 + r) * canvasStride + 3 * static_cast<ptrdiff_t>(fit.x0);
    if (fit.width == sw)
      std::memcpy(dst, mid, rowBytes);
    else
      ApplyPixels(rows, dst, mid);
  }
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
  ApplyLine(PlanShrink(srcLen, dstLen), dst, dstStep, src, srcStep);
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
  ApplyLine(PlanEnlarge(weights, srcLen, dstLen), dst, dstStep, src, srcStep);
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
  PixelBytes canvas = out.TakeRows();  // black
  const FitResult fit = FitToCanvas(source.Width(), source.Height(), width, height);
  try {
    DrawFitted(source, fit, width, canvas.data());
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
