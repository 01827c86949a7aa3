#include "image/LinePlan.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#include <immintrin.h>
#include <smmintrin.h>
#define QV_X86 1
#endif

namespace qv::resample {
namespace {

constexpr uint64_t kMax32Bound = 0xFFFFFFFFu / 255u;
constexpr uint64_t kMax31Bound = 0x7FFFFFFFu / 255u;

void AddWeight(LinePlan& plan, Tap& tap, uint64_t w) {
  plan.weights.push_back(w);
  ++tap.count;
}

// weightSum bounds the sum before division: it is at most 255 x weightSum.
// Weights and divisor sharing a factor are divided by it: the quotient of
// g x a by g x b is that of a by b, so the results stay exact while more
// runs fit the narrow kernels.
void CloseTap(LinePlan& plan, Tap tap, uint64_t weightSum) {
  uint64_t* w = plan.weights.data() + tap.weight;
  uint64_t g = tap.divisor;
  for (int k = 0; k < tap.count && g > 1; ++k) g = std::gcd(g, w[k]);
  if (g > 1) {
    for (int k = 0; k < tap.count; ++k) w[k] /= g;
    tap.divisor /= g;
    weightSum /= g;
  }
  for (int k = 0; k < tap.count; ++k) {
    if (w[k] > 0xFFFF) plan.fits16 = false;
    plan.maxWeight = std::max(plan.maxWeight, w[k]);
  }
  if (std::max(weightSum, tap.divisor) > kMax32Bound) plan.fits32 = false;
  if (weightSum > 0xFFFF / 255) plan.sums16 = false;
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

inline uint8_t Quotient(uint32_t n, const Tap& tap) {
  return static_cast<uint8_t>(tap.magic ? static_cast<uint32_t>((static_cast<Wide>(tap.magic) * n) >> 64) : n);
}
inline uint8_t Quotient(Wide n, const Tap& tap) { return static_cast<uint8_t>(n / tap.divisor); }

// A multiplier that makes trunc(n x inverse) equal n / d for every
// quotient below 256 and d below 2^41: it exceeds 1/d by a relative 2^-51
// to 2^-49, more than all rounding errors together and too little to
// reach the next integer.
double VectorInverse(uint64_t d) { return (1.0 / static_cast<double>(d)) * (1.0 + 0x1p-50); }

template <typename Acc>
void ApplyLineAs(const LinePlan& plan, uint8_t* dst, int dstStep, const uint8_t* src, int srcStep) {
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

// Outputs [from, to) of a 24-bit row, one pixel at a time.
void ApplyPixelsScalar(const LinePlan& plan, uint8_t* dst, const uint8_t* src, size_t from, size_t to) {
  dst += 3 * from;
  for (size_t j = from; j < to; ++j, dst += 3) {
    const Tap& tap = plan.taps[j];
    const uint8_t* s = src + 3 * static_cast<ptrdiff_t>(tap.first);
    if (tap.divisor == 0) {
      dst[0] = s[0];
      dst[1] = s[1];
      dst[2] = s[2];
      continue;
    }
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
}

#if QV_X86
std::atomic<int> g_vectorLimit{2};

bool HasSse41() {
  static const bool has = __builtin_cpu_supports("sse4.1");
  return has && g_vectorLimit.load(std::memory_order_relaxed) >= 1;
}
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_vectorLimit.load(std::memory_order_relaxed) >= 2;
}

// Eight sums divided by their lanes' inverses, stored as bytes.
__attribute__((target("avx2"))) inline void StoreGroup(uint8_t* dst, __m256i sum, const double* inverse) {
  const __m128i lo = _mm256_cvttpd_epi32(
      _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), _mm256_loadu_pd(inverse)));
  const __m128i hi = _mm256_cvttpd_epi32(
      _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), _mm256_loadu_pd(inverse + 4)));
  const __m128i q = _mm_packs_epi32(lo, hi);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(q, q));
}

// Eight output bytes per step; see PixelPlan.
__attribute__((target("avx2"))) void ApplyBytes256(const PixelPlan& p, uint8_t* dst, const uint8_t* src) {
  const int32_t* base = p.bases.data();
  const auto* mask = reinterpret_cast<const __m256i*>(p.masks.data());
  const auto* weight = reinterpret_cast<const __m256i*>(p.laneWeights.data());
  const double* inverse = p.inverses.data();
  for (int g = 0; g < p.groups; ++g, base += 2, mask += 3, weight += 3, inverse += 8, dst += 8) {
    const __m256i window = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(src + base[1]),
                                                reinterpret_cast<const __m128i*>(src + base[0]));
    __m256i sum = _mm256_mullo_epi32(_mm256_shuffle_epi8(window, _mm256_loadu_si256(mask)), _mm256_loadu_si256(weight));
    sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_shuffle_epi8(window, _mm256_loadu_si256(mask + 1)),
                                                   _mm256_loadu_si256(weight + 1)));
    sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_shuffle_epi8(window, _mm256_loadu_si256(mask + 2)),
                                                   _mm256_loadu_si256(weight + 2)));
    StoreGroup(dst, sum, inverse);
  }
}

// The same with two samples per multiply; see PixelPlan::groupMadd.
__attribute__((target("avx2"))) void ApplyBytesMadd256(const PixelPlan& p, uint8_t* dst, const uint8_t* src) {
  const int32_t* base = p.bases.data();
  const auto* mask = reinterpret_cast<const __m256i*>(p.masks.data());
  const auto* weight = reinterpret_cast<const __m256i*>(p.laneWeights.data());
  const double* inverse = p.inverses.data();
  for (int g = 0; g < p.groups; ++g, base += 2, mask += 2, weight += 2, inverse += 8, dst += 8) {
    const __m256i window = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(src + base[1]),
                                                reinterpret_cast<const __m128i*>(src + base[0]));
    const __m256i sum = _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_shuffle_epi8(window, _mm256_loadu_si256(mask)), _mm256_loadu_si256(weight)),
        _mm256_madd_epi16(_mm256_shuffle_epi8(window, _mm256_loadu_si256(mask + 1)), _mm256_loadu_si256(weight + 1)));
    StoreGroup(dst, sum, inverse);
  }
}

// Blue, green, red and the next byte of a pixel as four 32-bit lanes.
__attribute__((target("sse4.1"))) inline __m128i LoadPixel(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
}

// Four sums below 2^31 over doubles, packed to bytes; see VectorInverse.
__attribute__((target("sse4.1"))) inline int32_t DividePixel(__m128i sum, double inverse) {
  const __m128d inv = _mm_set1_pd(inverse);
  const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(sum), inv));
  const __m128i hi = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(sum, sum)), inv));
  __m128i q = _mm_unpacklo_epi64(lo, hi);
  q = _mm_packs_epi32(q, q);
  return _mm_cvtsi128_si32(_mm_packus_epi16(q, q));
}

// One pixel per step, its three channels in one vector; the fourth lane is
// the next pixel's blue, written over by that pixel.
__attribute__((target("sse4.1"))) void ApplyPixels41(const PixelPlan& p, uint8_t* dst, const uint8_t* src) {
  const PixelTap* taps = p.taps.data();
  const uint32_t* weights = p.weights.data();
  const int end = p.vectorEnd;
  if (p.threeTaps) {
    for (int j = 0; j < end; ++j, dst += 3) {
      const PixelTap& t = taps[j];
      const uint8_t* s = src + t.offset;
      const uint32_t* w = weights + t.weight;
      __m128i sum = _mm_mullo_epi32(LoadPixel(s), _mm_set1_epi32(static_cast<int>(w[0])));
      sum = _mm_add_epi32(sum, _mm_mullo_epi32(LoadPixel(s + 3), _mm_set1_epi32(static_cast<int>(w[1]))));
      sum = _mm_add_epi32(sum, _mm_mullo_epi32(LoadPixel(s + 6), _mm_set1_epi32(static_cast<int>(w[2]))));
      const int32_t q = DividePixel(sum, t.inverse);
      std::memcpy(dst, &q, 4);
    }
    return;
  }
  for (int j = 0; j < end; ++j, dst += 3) {
    const PixelTap& t = taps[j];
    const uint8_t* s = src + t.offset;
    const uint32_t* w = weights + t.weight;
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < t.count; ++k, s += 3)
      sum = _mm_add_epi32(sum, _mm_mullo_epi32(LoadPixel(s), _mm_set1_epi32(static_cast<int>(w[k]))));
    const int32_t q = DividePixel(sum, t.inverse);
    std::memcpy(dst, &q, 4);
  }
}

// Two pixels' sums (blue, green, red in lanes 0-2 and 4-6) divided by their
// inverses; eight bytes are stored for the six.
__attribute__((target("avx2"))) inline void StorePair(uint8_t* dst, __m256i sum, const double* inverse) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i lo = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), _mm256_set1_pd(inverse[0])));
  const __m128i hi = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), _mm256_set1_pd(inverse[1])));
  const __m128i q16 = _mm_packs_epi32(lo, hi);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(_mm_packus_epi16(q16, q16), pack));
}

// Two output pixels per step; see PixelPlan.
__attribute__((target("avx2"))) void ApplyPairs256(const PixelPlan& p, uint8_t* dst, const uint8_t* src) {
  const int32_t* start = p.pairStart.data();
  const int32_t* offsets = p.pairOffsets.data();
  const auto* weights = reinterpret_cast<const __m256i*>(p.pairWeights.data());
  const double* inverse = p.pairInverse.data();
  // Blue, green, red of both pixels next to each other.
  const auto* masks = reinterpret_cast<const __m128i*>(p.pairMasks.data());
  for (int q = 0; q < p.pairs; ++q, inverse += 2, dst += 6) {
    __m256i sum = _mm256_setzero_si256();
    if (masks) {
      for (int k = start[q]; k < start[q + 1]; ++k) {
        const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + offsets[2 * k]));
        const __m128i both = _mm_shuffle_epi8(window, _mm_loadu_si128(masks + k));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_cvtepu8_epi32(both), _mm256_loadu_si256(weights + k)));
      }
    } else {
      for (int k = start[q]; k < start[q + 1]; ++k) {
        int32_t a, b;
        std::memcpy(&a, src + offsets[2 * k], 4);
        std::memcpy(&b, src + offsets[2 * k + 1], 4);
        const __m128i both = _mm_unpacklo_epi32(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_cvtepu8_epi32(both), _mm256_loadu_si256(weights + k)));
      }
    }
    StorePair(dst, sum, inverse);
  }
}

// Two output pixels per step, two samples of each per multiply; see PixelPlan::pairMadd.
__attribute__((target("avx2"))) void ApplyMadd256(const PixelPlan& p, uint8_t* dst, const uint8_t* src) {
  const int32_t* start = p.pairStart.data();
  const int32_t* offsets = p.pairOffsets.data();
  const auto* weights = reinterpret_cast<const __m256i*>(p.pairWeights.data());
  const double* inverse = p.pairInverse.data();
  // Per half: blue, green, red of the step's two pixels as 16-bit pairs.
  const __m256i pick = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1,
                                        0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  for (int q = 0; q < p.pairs; ++q, inverse += 2, dst += 6) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = start[q]; k < start[q + 1]; ++k) {
      const __m256i window = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(src + offsets[2 * k + 1]),
                                                  reinterpret_cast<const __m128i*>(src + offsets[2 * k]));
      sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_shuffle_epi8(window, pick), _mm256_loadu_si256(weights + k)));
    }
    StorePair(dst, sum, inverse);
  }
}

// Rows eight bytes per step with 32-bit products: exact for any weight of a
// plan that fits 32 bits, since every product and sum stays below 2^32.
__attribute__((target("avx2"))) inline __m256i Products256(const uint8_t* p, __m256i w) {
  return _mm256_mullo_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))), w);
}

__attribute__((target("avx2"))) size_t MulAddRow256(uint32_t* acc, const uint8_t* row, size_t n, uint32_t w,
                                                    bool init) {
  const __m256i wv = _mm256_set1_epi32(static_cast<int>(w));
  size_t i = 0;
  if (init) {
    for (; i + 16 <= n; i += 16) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + i), Products256(row + i, wv));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + i + 8), Products256(row + i + 8, wv));
    }
    for (; i + 8 <= n; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + i), Products256(row + i, wv));
  } else {
    for (; i + 16 <= n; i += 16) {
      auto* a = reinterpret_cast<__m256i*>(acc + i);
      _mm256_storeu_si256(a, _mm256_add_epi32(_mm256_loadu_si256(a), Products256(row + i, wv)));
      _mm256_storeu_si256(a + 1, _mm256_add_epi32(_mm256_loadu_si256(a + 1), Products256(row + i + 8, wv)));
    }
    for (; i + 8 <= n; i += 8) {
      auto* a = reinterpret_cast<__m256i*>(acc + i);
      _mm256_storeu_si256(a, _mm256_add_epi32(_mm256_loadu_si256(a), Products256(row + i, wv)));
    }
  }
  return i;
}

// The same into 16-bit accumulators, sixteen bytes per step, for plans
// whose sums stay below 2^16.
__attribute__((target("avx2"))) void MulAddRowNarrow(uint16_t* acc, const uint8_t* row, size_t n, uint32_t w,
                                                     bool init) {
  const __m256i wv = _mm256_set1_epi16(static_cast<short>(w));
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    auto* a = reinterpret_cast<__m256i*>(acc + i);
    __m256i p = _mm256_mullo_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i))), wv);
    if (!init) p = _mm256_add_epi16(p, _mm256_loadu_si256(a));
    _mm256_storeu_si256(a, p);
  }
  const uint16_t w16 = static_cast<uint16_t>(w);
  for (; i < n; ++i) acc[i] = static_cast<uint16_t>((init ? 0 : acc[i]) + w16 * row[i]);
}

__attribute__((target("avx2"))) void FinishRowNarrow(uint8_t* out, const uint16_t* acc, const uint8_t* row, size_t n,
                                                     uint32_t w, const Tap& tap, const uint32_t* wide = nullptr) {
  const __m256i wv = _mm256_set1_epi32(static_cast<int>(w));
  const __m256d inv = _mm256_set1_pd(VectorInverse(tap.divisor));
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i sum = Products256(row + i, wv);
    if (acc) sum = _mm256_add_epi32(sum, _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + i))));
    if (wide) sum = _mm256_add_epi32(sum, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wide + i)));
    const __m128i lo = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), inv));
    const __m128i hi = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), inv));
    const __m128i q = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(q, q));
  }
  const Tap local = tap;
  for (; i < n; ++i) out[i] = Quotient((acc ? uint32_t{acc[i]} : 0u) + (wide ? wide[i] : 0u) + w * row[i], local);
}

__attribute__((target("avx2"))) void FlushNarrow256(uint32_t* wide, bool started, const uint16_t* narrow, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i v = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(narrow + i)));
    auto* a = reinterpret_cast<__m256i*>(wide + i);
    if (started) v = _mm256_add_epi32(v, _mm256_loadu_si256(a));
    _mm256_storeu_si256(a, v);
  }
  for (; i < n; ++i) wide[i] = (started ? wide[i] : 0u) + narrow[i];
}

// out = ((acc or 0) + w x row) / divisor for sums below 2^31 and quotients
// below 256; returns how many bytes were done.
__attribute__((target("avx2"))) size_t FinishRow256(uint8_t* out, const uint32_t* acc, const uint8_t* row, size_t n,
                                                    uint32_t w, double inverse) {
  const __m256i wv = _mm256_set1_epi32(static_cast<int>(w));
  const __m256d inv = _mm256_set1_pd(inverse);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i sum = row ? Products256(row + i, wv) : _mm256_setzero_si256();
    if (acc) sum = _mm256_add_epi32(sum, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i)));
    const __m128i lo = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), inv));
    const __m128i hi = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), inv));
    const __m128i q = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(q, q));
  }
  return i;
}

// Two rows per multiply: each 32-bit lane holds a byte of both rows and
// madd forms w_a x a + w_b x b at once; 32 output bytes per step keep four
// sums in registers across the rows.
__attribute__((target("avx2"))) inline void MaddRows(__m256i& lo, __m256i& hi, const uint8_t* a, const uint8_t* b,
                                                     __m256i w) {
  const __m256i va = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)));
  const __m256i vb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
  lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(va, vb), w));
  hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(va, vb), w));
}

// Sixteen quotients from MaddRows' sums: lo holds bytes 0-3 and 8-11, hi 4-7 and 12-15.
__attribute__((target("avx2"))) inline void StoreSums(uint8_t* out, __m256i lo, __m256i hi, __m256d inv) {
  const __m128i q0 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(lo)), inv));
  const __m128i q1 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(lo, 1)), inv));
  const __m128i q2 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(hi)), inv));
  const __m128i q3 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(hi, 1)), inv));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(_mm_packs_epi32(q0, q2), _mm_packs_epi32(q1, q3)));
}

__attribute__((target("avx2"))) size_t SumRows256(uint8_t* out, const uint8_t* const* rows, const uint32_t* pairs,
                                                  int pairCount, size_t n, double inverse) {
  const __m256d inv = _mm256_set1_pd(inverse);
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i lo0 = _mm256_setzero_si256(), hi0 = lo0, lo1 = lo0, hi1 = lo0;
    for (int q = 0; q < pairCount; ++q) {
      const uint8_t* a = rows[2 * q] + i;
      const uint8_t* b = rows[2 * q + 1] + i;
      const __m256i w = _mm256_set1_epi32(static_cast<int>(pairs[q]));
      MaddRows(lo0, hi0, a, b, w);
      MaddRows(lo1, hi1, a + 16, b + 16, w);
    }
    StoreSums(out + i, lo0, hi0, inv);
    StoreSums(out + i + 16, lo1, hi1, inv);
  }
  for (; i + 16 <= n; i += 16) {
    __m256i lo = _mm256_setzero_si256(), hi = lo;
    for (int q = 0; q < pairCount; ++q)
      MaddRows(lo, hi, rows[2 * q] + i, rows[2 * q + 1] + i, _mm256_set1_epi32(static_cast<int>(pairs[q])));
    StoreSums(out + i, lo, hi, inv);
  }
  return i;
}

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
// The same for w below 2^24: the low 16 bits as above, the high 8 bits
// give products below 2^16 that are shifted into place.
inline Products MulBytes24(const uint8_t* p, __m128i wLow, __m128i wHigh) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
  const __m128i loL = _mm_mullo_epi16(lo, wLow), loH = _mm_add_epi16(_mm_mulhi_epu16(lo, wLow), _mm_mullo_epi16(lo, wHigh));
  const __m128i hiL = _mm_mullo_epi16(hi, wLow), hiH = _mm_add_epi16(_mm_mulhi_epu16(hi, wLow), _mm_mullo_epi16(hi, wHigh));
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
inline void Store(uint32_t* acc, const Products& p) {
  auto* a = reinterpret_cast<__m128i*>(acc);
  _mm_storeu_si128(a, p.q0);
  _mm_storeu_si128(a + 1, p.q1);
  _mm_storeu_si128(a + 2, p.q2);
  _mm_storeu_si128(a + 3, p.q3);
}
// Four sums below 2^31 divided through doubles; see VectorInverse.
inline __m128i DivideLanes(__m128i s, __m128d inverse) {
  const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(s), inverse));
  const __m128i hi = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(s, 0xEE)), inverse));
  return _mm_unpacklo_epi64(lo, hi);
}
inline void StoreQuotients(uint8_t* out, const Products& p, __m128d inverse) {
  const __m128i a = _mm_packs_epi32(DivideLanes(p.q0, inverse), DivideLanes(p.q1, inverse));
  const __m128i b = _mm_packs_epi32(DivideLanes(p.q2, inverse), DivideLanes(p.q3, inverse));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(a, b));
}
#endif

// acc = (init ? 0 : acc) + w x row, for w below 2^16.
void MulAddRow16(uint32_t* acc, const uint8_t* row, size_t n, uint32_t w, bool init) {
  size_t i = 0;
#if QV_X86
  if (HasAvx2()) i = MulAddRow256(acc, row, n, w, init);
  const __m128i w16 = _mm_set1_epi16(static_cast<short>(w));
  for (; i + 16 <= n; i += 16) {
    Products p = MulBytes(row + i, w16);
    if (!init) AddTo(p, acc + i);
    Store(acc + i, p);
  }
#endif
  if (init)
    for (; i < n; ++i) acc[i] = w * row[i];
  else
    for (; i < n; ++i) acc[i] += w * row[i];
}

// The same for w below 2^24; the sums are those of plans that fit 32 bits.
void MulAddRow24(uint32_t* acc, const uint8_t* row, size_t n, uint32_t w, bool init) {
  size_t i = 0;
#if QV_X86
  if (HasAvx2()) i = MulAddRow256(acc, row, n, w, init);
  const __m128i wLow = _mm_set1_epi16(static_cast<short>(w & 0xFFFF));
  const __m128i wHigh = _mm_set1_epi16(static_cast<short>(w >> 16));
  for (; i + 16 <= n; i += 16) {
    Products p = MulBytes24(row + i, wLow, wHigh);
    if (!init) AddTo(p, acc + i);
    Store(acc + i, p);
  }
#endif
  if (init)
    for (; i < n; ++i) acc[i] = w * row[i];
  else
    for (; i < n; ++i) acc[i] += w * row[i];
}

// out = ((acc or 0) + w x row) / divisor, for w below 2^16; `vector`
// when quotients stay below 256 and sums below 2^31.
void FinishRow16(uint8_t* out, const uint32_t* acc, const uint8_t* row, size_t n, uint32_t w, const Tap& tap,
                 bool vector) {
  size_t i = 0;
#if QV_X86
  if (vector && HasAvx2()) i = FinishRow256(out, acc, row, n, w, VectorInverse(tap.divisor));
  if (vector) {
    const __m128i w16 = _mm_set1_epi16(static_cast<short>(w));
    const __m128d inverse = _mm_set1_pd(VectorInverse(tap.divisor));
    for (; i + 16 <= n; i += 16) {
      Products p = MulBytes(row + i, w16);
      if (acc) AddTo(p, acc + i);
      StoreQuotients(out + i, p, inverse);
    }
  }
#else
  (void)vector;
#endif
  const Tap local = tap;
  for (; i < n; ++i) out[i] = Quotient((acc ? acc[i] : 0u) + w * row[i], local);
}

// out = acc / divisor.
void DivideRow(uint8_t* out, const uint32_t* acc, size_t n, const Tap& tap, bool vector) {
  size_t i = 0;
#if QV_X86
  if (vector && HasAvx2()) i = FinishRow256(out, acc, nullptr, n, 0, VectorInverse(tap.divisor));
  if (vector) {
    const __m128d inverse = _mm_set1_pd(VectorInverse(tap.divisor));
    for (; i + 16 <= n; i += 16) {
      const auto* a = reinterpret_cast<const __m128i*>(acc + i);
      const Products p{_mm_loadu_si128(a), _mm_loadu_si128(a + 1), _mm_loadu_si128(a + 2), _mm_loadu_si128(a + 3)};
      StoreQuotients(out + i, p, inverse);
    }
  }
#else
  (void)vector;
#endif
  const Tap local = tap;
  for (; i < n; ++i) out[i] = Quotient(acc[i], local);
}

#if QV_X86
// Steps of eight output bytes over whole pixels while every sample a half
// step needs lies within the 16 bytes at its base.
// The three masks and weights of each step as two for ApplyBytesMadd256.
void PairGroupSamples(PixelPlan& p) {
  const size_t steps = static_cast<size_t>(p.groups);
  std::vector<uint8_t> masks(steps * 64, 0x80);
  std::vector<uint32_t> weights(steps * 16, 0);
  for (size_t s = 0; s < steps; ++s)
    for (size_t lane = 0; lane < 8; ++lane) {
      const auto index = [&](size_t k) { return p.masks[(s * 3 + k) * 32 + lane * 4]; };
      const auto w = [&](size_t k) { return p.laneWeights[(s * 3 + k) * 8 + lane]; };
      masks[s * 64 + lane * 4] = index(0);
      masks[s * 64 + lane * 4 + 2] = index(1);
      masks[s * 64 + 32 + lane * 4] = index(2);
      weights[s * 16 + lane] = w(0) | w(1) << 16;
      weights[s * 16 + 8 + lane] = w(2);
    }
  p.masks = std::move(masks);
  p.laneWeights = std::move(weights);
  p.groupMadd = true;
}

void PrepareGroups(LinePlan& plan, int srcLen) {
  PixelPlan& p = plan.pixels;
  const size_t outBytes = 3 * plan.taps.size();
  size_t o = 0;
  for (; o + 24 <= outBytes; o += 24) {
    bool fits = true;
    const size_t marks = p.bases.size();
    for (size_t h = 0; h < 6 && fits; ++h) {
      const size_t first = o + 4 * h;
      const int32_t base = 3 * plan.taps[first / 3].first;
      p.bases.push_back(base);
      for (size_t lane = 0; lane < 4; ++lane) {
        const size_t byte = first + lane;
        const Tap& t = plan.taps[byte / 3];
        const int c = static_cast<int>(byte % 3);
        const int n = t.divisor == 0 ? 1 : t.count;
        for (int k = 0; k < 3; ++k) {
          const int index = 3 * (t.first + k) + c - base;
          const bool used = k < n;
          if (used && (index < 0 || index >= 16 || t.first + k >= srcLen)) fits = false;
          const size_t half = h % 2, step = marks / 2 + h / 2;
          const size_t maskAt = (step * 3 + static_cast<size_t>(k)) * 32 + half * 16 + lane * 4;
          const size_t laneAt = (step * 3 + static_cast<size_t>(k)) * 8 + half * 4 + lane;
          if (p.masks.size() < maskAt + 4) p.masks.resize((step + 1) * 96, 0x80);
          if (p.laneWeights.size() < laneAt + 1) p.laneWeights.resize((step + 1) * 24, 0);
          if (used) {
            p.masks[maskAt] = static_cast<uint8_t>(index & 15);
            p.laneWeights[laneAt] = t.divisor == 0 ? 1 : static_cast<uint32_t>(plan.weights[t.weight + static_cast<size_t>(k)]);
          }
        }
        const size_t invAt = (marks / 2 + h / 2) * 8 + (h % 2) * 4 + lane;
        if (p.inverses.size() < invAt + 1) p.inverses.resize((marks / 2 + h / 2 + 1) * 8, 0);
        p.inverses[invAt] = VectorInverse(t.divisor == 0 ? 1 : t.divisor);
      }
    }
    if (!fits) {
      const size_t steps = marks / 2;
      p.bases.resize(marks);
      p.masks.resize(steps * 96);
      p.laneWeights.resize(steps * 24);
      p.inverses.resize(steps * 8);
      break;
    }
  }
  p.groups = static_cast<int>(p.bases.size() / 2);
  if (plan.maxWeight < 0x8000) PairGroupSamples(p);
}

// Pairs of outputs before vectorEnd, leaving at least one output after
// them: a step stores eight bytes for six.
// Two samples of each run per step, the weights paired per lane; a run
// that has ended reads its first pixel again with weight 0.
void PrepareMadd(PixelPlan& p) {
  p.pairMadd = true;
  for (int q = 0; q < p.pairs; ++q) {
    const PixelTap& a = p.taps[static_cast<size_t>(2 * q)];
    const PixelTap& b = p.taps[static_cast<size_t>(2 * q + 1)];
    const int n = (std::max(a.count, b.count) + 1) / 2;
    for (int s = 0; s < n; ++s) {
      for (const PixelTap* t : {&a, &b}) {
        const int k = 2 * s;
        p.pairOffsets.push_back(k < t->count ? t->offset + 3 * k : t->offset);
        const uint32_t w0 = k < t->count ? p.weights[t->weight + static_cast<size_t>(k)] : 0;
        const uint32_t w1 = k + 1 < t->count ? p.weights[t->weight + static_cast<size_t>(k) + 1] : 0;
        for (int lane = 0; lane < 3; ++lane) p.pairWeights.push_back(w0 | w1 << 16);
        p.pairWeights.push_back(0);
      }
    }
    p.pairStart.push_back(static_cast<int32_t>(p.pairOffsets.size() / 2));
    p.pairInverse.push_back(a.inverse);
    p.pairInverse.push_back(b.inverse);
  }
}

void PreparePairs(LinePlan& plan) {
  PixelPlan& p = plan.pixels;
  p.pairs = std::max(0, (p.vectorEnd - 1) / 2);
  p.pairStart.assign(1, 0);
  if (plan.maxWeight < 0x8000) {
    PrepareMadd(p);
    return;
  }
  for (int q = 0; q < p.pairs; ++q) {
    const PixelTap& a = p.taps[static_cast<size_t>(2 * q)];
    const PixelTap& b = p.taps[static_cast<size_t>(2 * q + 1)];
    const int n = std::max(a.count, b.count);
    for (int k = 0; k < n; ++k) {
      // A run that has ended reads its partner's pixel (with weight 0).
      const int32_t oa = a.offset + 3 * k, ob = b.offset + 3 * k;
      p.pairOffsets.push_back(k < a.count ? oa : ob);
      p.pairOffsets.push_back(k < b.count ? ob : oa);
      const uint32_t wa = k < a.count ? p.weights[a.weight + static_cast<size_t>(k)] : 0;
      const uint32_t wb = k < b.count ? p.weights[b.weight + static_cast<size_t>(k)] : 0;
      for (int lane = 0; lane < 4; ++lane) p.pairWeights.push_back(wa);
      for (int lane = 0; lane < 4; ++lane) p.pairWeights.push_back(wb);
    }
    p.pairStart.push_back(static_cast<int32_t>(p.pairOffsets.size() / 2));
    p.pairInverse.push_back(a.inverse);
    p.pairInverse.push_back(b.inverse);
  }
  // The one-load form reads 16 bytes at the low pixel: it needs the high
  // pixel within them and the 16 bytes within the row and its slack.
  const size_t steps = p.pairOffsets.size() / 2;
  std::vector<uint8_t> masks(16 * steps, 0x80);
  for (size_t k = 0; k < steps; ++k) {
    const int32_t a = p.pairOffsets[2 * k], b = p.pairOffsets[2 * k + 1];
    if (b < a || b - a > 12) return;
    for (int i = 0; i < 4; ++i) {
      masks[16 * k + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
      masks[16 * k + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(b - a + i);
    }
  }
  p.pairMasks = std::move(masks);
}
#endif

} // namespace

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

template <typename T>
size_t VectorBytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

size_t PlanBytes(const LinePlan& plan) {
  const PixelPlan& p = plan.pixels;
  return VectorBytes(plan.taps) + VectorBytes(plan.weights) + VectorBytes(p.taps) + VectorBytes(p.weights) +
         VectorBytes(p.bases) + VectorBytes(p.masks) + VectorBytes(p.laneWeights) + VectorBytes(p.inverses) +
         VectorBytes(p.pairStart) + VectorBytes(p.pairOffsets) + VectorBytes(p.pairWeights) +
         VectorBytes(p.pairInverse) + VectorBytes(p.pairMasks);
}

LinePlan PlanLine(int srcLen, int dstLen) {
  if (dstLen < srcLen) return PlanShrink(srcLen, dstLen);
  const std::vector<EnlargeWeight> records = BuildEnlargeWeights(srcLen, dstLen);
  return PlanEnlarge(records.data(), srcLen, static_cast<int>(records.size()));
}

void ApplyLine(const LinePlan& plan, uint8_t* dst, int dstStep, const uint8_t* src, int srcStep) {
  if (plan.fits32)
    ApplyLineAs<uint32_t>(plan, dst, dstStep, src, srcStep);
  else
    ApplyLineAs<Wide>(plan, dst, dstStep, src, srcStep);
}

void LimitVectors(int level) {
#if QV_X86
  g_vectorLimit.store(level, std::memory_order_relaxed);
#else
  (void)level;
#endif
}

void PreparePixels(LinePlan& plan, int srcLen) {
  plan.pixels = PixelPlan();
#if QV_X86
  if (!HasSse41() || !plan.fits32 || !plan.vectorDivide || plan.taps.size() < 2) return;
  PixelPlan& p = plan.pixels;
  int longest = 1;
  for (const Tap& t : plan.taps) longest = std::max(longest, t.count);
  p.threeTaps = longest <= 3;
  const int width = p.threeTaps ? 3 : 0;
  p.taps.reserve(plan.taps.size());
  for (const Tap& t : plan.taps) {
    PixelTap pt;
    pt.offset = 3 * t.first;
    pt.weight = static_cast<uint32_t>(p.weights.size());
    pt.count = width ? width : t.count;
    if (t.divisor == 0) {
      p.weights.push_back(1);
      pt.inverse = VectorInverse(1);
    } else {
      for (int k = 0; k < t.count; ++k) p.weights.push_back(static_cast<uint32_t>(plan.weights[t.weight + k]));
      pt.inverse = VectorInverse(t.divisor);
    }
    while (p.weights.size() < pt.weight + static_cast<size_t>(pt.count)) p.weights.push_back(0);
    p.taps.push_back(pt);
  }
  // A step reads four bytes from each pixel of its run and writes four:
  // the last output and any run that reaches the row's last pixel are left
  // to the exact scalar code.
  int end = static_cast<int>(plan.taps.size()) - 1;
  for (int j = 0; j < end; ++j)
    if (plan.taps[j].first + p.taps[j].count >= srcLen) {
      end = j;
      break;
    }
  p.vectorEnd = end;
  if (p.threeTaps && HasAvx2()) PrepareGroups(plan, srcLen);
  if (!p.threeTaps && HasAvx2()) PreparePairs(plan);
#else
  (void)srcLen;
#endif
}

void ApplyPixels(const LinePlan& plan, uint8_t* dst, const uint8_t* src) {
  if (!plan.fits32) {
    for (int ch = 0; ch < 3; ++ch) ApplyLineAs<Wide>(plan, dst + ch, 3, src + ch, 3);
    return;
  }
  size_t from = 0;
#if QV_X86
  if (plan.pixels.groups > 0) {
    if (plan.pixels.groupMadd)
      ApplyBytesMadd256(plan.pixels, dst, src);
    else
      ApplyBytes256(plan.pixels, dst, src);
    from = static_cast<size_t>(plan.pixels.groups) * 8 / 3;
  } else if (plan.pixels.pairMadd) {
    ApplyMadd256(plan.pixels, dst, src);
    from = 2 * static_cast<size_t>(plan.pixels.pairs);
  } else if (plan.pixels.pairs > 0) {
    ApplyPairs256(plan.pixels, dst, src);
    from = 2 * static_cast<size_t>(plan.pixels.pairs);
  } else if (!plan.pixels.taps.empty()) {
    ApplyPixels41(plan.pixels, dst, src);
    from = static_cast<size_t>(plan.pixels.vectorEnd);
  }
#endif
  ApplyPixelsScalar(plan, dst, src, from, plan.taps.size());
}

bool SplitSums(const LinePlan& plan) {
#if QV_X86
  // Worth it only when several rows go into each 16-bit sum.
  return !plan.sums16 && plan.maxWeight <= kNarrowWeights / 4 && plan.fits32 && plan.vectorDivide && HasAvx2();
#else
  (void)plan;
  return false;
#endif
}

void MulAddNarrow(uint16_t* narrow, const uint8_t* row, size_t n, uint32_t w, bool init) {
#if QV_X86
  MulAddRowNarrow(narrow, row, n, w, init);
#else
  for (size_t i = 0; i < n; ++i) narrow[i] = static_cast<uint16_t>((init ? 0 : narrow[i]) + w * row[i]);
#endif
}

void FlushNarrow(uint32_t* wide, bool started, const uint16_t* narrow, size_t n) {
#if QV_X86
  FlushNarrow256(wide, started, narrow, n);
#else
  for (size_t i = 0; i < n; ++i) wide[i] = (started ? wide[i] : 0u) + narrow[i];
#endif
}

void FinishSplit(uint8_t* out, const uint32_t* wide, const uint16_t* narrow, const uint8_t* row, size_t n, uint32_t w,
                 const Tap& tap) {
#if QV_X86
  FinishRowNarrow(out, narrow, row, n, w, tap, wide);
#else
  for (size_t i = 0; i < n; ++i)
    out[i] = Quotient((narrow ? uint32_t{narrow[i]} : 0u) + (wide ? wide[i] : 0u) + w * row[i], tap);
#endif
}

static bool NarrowSums(const LinePlan& plan) {
#if QV_X86
  return plan.sums16 && plan.vectorDivide && HasAvx2();
#else
  (void)plan;
  return false;
#endif
}

void MulAddRow(const LinePlan& plan, uint32_t* acc, const uint8_t* row, size_t n, uint64_t w, bool init) {
#if QV_X86
  if (NarrowSums(plan)) {
    MulAddRowNarrow(reinterpret_cast<uint16_t*>(acc), row, n, static_cast<uint32_t>(w), init);
    return;
  }
#endif
  if (plan.fits16)
    MulAddRow16(acc, row, n, static_cast<uint32_t>(w), init);
  else
    MulAddRow24(acc, row, n, static_cast<uint32_t>(w), init);
}

void MulAddRow(Wide* acc, const uint8_t* row, size_t n, uint64_t w, bool init) {
  const Wide wa = static_cast<Wide>(w);
  if (init)
    for (size_t i = 0; i < n; ++i) acc[i] = wa * row[i];
  else
    for (size_t i = 0; i < n; ++i) acc[i] += wa * row[i];
}

void FinishRow(const LinePlan& plan, uint8_t* out, uint32_t* acc, bool started, const uint8_t* row, size_t n,
               uint64_t w, const Tap& tap) {
#if QV_X86
  if (NarrowSums(plan)) {
    FinishRowNarrow(out, started ? reinterpret_cast<const uint16_t*>(acc) : nullptr, row, n, static_cast<uint32_t>(w), tap);
    return;
  }
#endif
  if (plan.fits16) {
    FinishRow16(out, started ? acc : nullptr, row, n, static_cast<uint32_t>(w), tap, plan.vectorDivide);
    return;
  }
  MulAddRow24(acc, row, n, static_cast<uint32_t>(w), !started);
  DivideRow(out, acc, n, tap, plan.vectorDivide);
}

void FinishRow(uint8_t* out, Wide* acc, bool started, const uint8_t* row, size_t n, uint64_t w, const Tap& tap) {
  MulAddRow(acc, row, n, w, !started);
  const Tap local = tap;
  for (size_t i = 0; i < n; ++i) out[i] = Quotient(acc[i], local);
}

bool RowSums(const LinePlan& plan) {
#if QV_X86
  return plan.fits32 && plan.vectorDivide && plan.maxWeight < 0x8000 && HasAvx2();
#else
  (void)plan;
  return false;
#endif
}

void SumRows(uint8_t* out, const uint8_t* const* rows, const uint32_t* weights, int count, size_t n, const Tap& tap) {
  size_t i = 0;
#if QV_X86
  // An odd row out is paired with itself at weight 0.
  const uint8_t* paired[kMaxHeldRows + 1];
  uint32_t pairs[kMaxHeldRows / 2 + 1];
  if (count <= kMaxHeldRows) {
    for (int k = 0; k < count; ++k) paired[k] = rows[k];
    paired[count] = rows[count - 1];
    for (int k = 0; k < count; k += 2) pairs[k / 2] = weights[k] | (k + 1 < count ? weights[k + 1] << 16 : 0u);
    i = SumRows256(out, paired, pairs, (count + 1) / 2, n, VectorInverse(tap.divisor));
  }
#endif
  const Tap local = tap;
  for (; i < n; ++i) {
    uint32_t sum = 0;
    for (int k = 0; k < count; ++k) sum += weights[k] * rows[k][i];
    out[i] = Quotient(sum, local);
  }
}

} // namespace qv::resample
