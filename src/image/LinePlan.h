#pragma once
// The resampler's inner workings, shared by the whole-image resize and the
// row-by-row one: a line plan turns either kernel (box shrink, three-sample
// enlarge) into runs of weighted source samples with one divisor each, and
// the row kernels apply plans to whole rows.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/Resample.h"

namespace qv::resample {

__extension__ typedef unsigned __int128 Wide;

struct Tap {
  int first = 0;          // first source sample of the run
  int count = 0;          // samples in the run
  size_t weight = 0;      // index of the run's first weight
  uint64_t divisor = 0;   // 0: copy sample `first`
  uint64_t magic = 0;     // ceil(2^64 / divisor); 0 for a divisor of 1
};

// One output pixel of a 24-bit row for the vector kernel: a run of whole
// pixels, its weights and the divisor's vector inverse.
struct PixelTap {
  int32_t offset = 0;     // byte offset of the run's first pixel
  int32_t count = 0;
  uint32_t weight = 0;    // index into PixelPlan::weights
  double inverse = 0;
};

struct PixelPlan {
  std::vector<PixelTap> taps;
  std::vector<uint32_t> weights;
  int vectorEnd = 0;  // outputs before this one read and write within the row
  bool threeTaps = false;  // every run padded to exactly three pixels
  // Runs of at most three pixels, eight output bytes per step: each half
  // step picks its samples from 16 source bytes at its base by shuffles.
  int groups = 0;                 // steps; they make whole pixels
  // Weights below 2^15: two masks and weights per step instead, the first
  // pairing run pixels 0 and 1 per lane (w0 | w1 << 16), the second pixel 2.
  bool groupMadd = false;
  std::vector<int32_t> bases;     // 2 per step
  std::vector<uint8_t> masks;     // 3 x 32 per step, one per run pixel
  std::vector<uint32_t> laneWeights;  // 3 x 8 per step
  std::vector<double> inverses;   // 8 per step
  // Longer runs two output pixels per step: pixel 2p in the low half, 2p + 1
  // in the high half, each run padded with zero weights to the longer one.
  int pairs = 0;
  std::vector<int32_t> pairStart;    // first step of each pair, and one more
  std::vector<int32_t> pairOffsets;  // 2 per step
  std::vector<uint32_t> pairWeights; // 8 per step
  std::vector<double> pairInverse;   // 2 per pair
  // When both pixels of every step lie within 16 bytes: one load at the low
  // half's pixel and a shuffle that picks both (16 bytes per step).
  std::vector<uint8_t> pairMasks;
  // Weights below 2^15: each step takes two pixels of both runs, from 16
  // bytes at each, and multiplies pairs of samples at once; pairWeights
  // then hold w_2s | w_2s+1 << 16 per lane.
  bool pairMadd = false;
};

// Rows given to ApplyPixels may be read this far past their last pixel.
constexpr size_t kRowSlack = 16;

struct LinePlan {
  std::vector<Tap> taps;
  std::vector<uint64_t> weights;
  bool fits32 = true;  // every weighted sum stays below 2^32
  bool fits16 = true;  // every weight below 2^16 (SIMD products)
  bool vectorDivide = true;  // quotients below 256 and sums below 2^31
  bool sums16 = true;  // every weighted sum below 2^16 (narrow accumulators)
  uint64_t maxWeight = 0;
  PixelPlan pixels;  // filled by PreparePixels
};

// The memory a plan holds, for callers that keep several.
size_t PlanBytes(const LinePlan& plan);

// Plans for srcLen -> dstLen samples; empty for lengths that are not
// positive (and for a shrink plan asked to grow).
LinePlan PlanShrink(int srcLen, int dstLen);
LinePlan PlanEnlarge(const EnlargeWeight* records, int srcLen, int dstLen);
LinePlan PlanLine(int srcLen, int dstLen);

// One channel, samples `step` bytes apart.
void ApplyLine(const LinePlan& plan, uint8_t* dst, int dstStep, const uint8_t* src, int srcStep);

// The widest vector code the kernels may use from now on: 2 AVX2, 1
// SSE4.1, 0 SSE2 alone (where the processor has them). For tests; plans
// made before keep what they were made for.
void LimitVectors(int level);

// Columns whose sums leave 16 bits while each weight stays within 257:
// rows are summed in 16 bits between flushes into 32-bit sums, so that no
// 16-bit sum holds more than 257 x 255. True when these kernels apply.
constexpr uint64_t kNarrowWeights = 0xFFFF / 255;
bool SplitSums(const LinePlan& plan);
// narrow = (init ? 0 : narrow) + w x row.
void MulAddNarrow(uint16_t* narrow, const uint8_t* row, size_t n, uint32_t w, bool init);
// wide = (started ? wide : 0) + narrow.
void FlushNarrow(uint32_t* wide, bool started, const uint16_t* narrow, size_t n);
// out = (wide or 0) + (narrow or 0) + w x row, divided by the tap's divisor.
void FinishSplit(uint8_t* out, const uint32_t* wide, const uint16_t* narrow, const uint8_t* row, size_t n, uint32_t w,
                 const Tap& tap);

// Makes the plan ready for ApplyPixels on rows of srcLen pixels; a row
// then needs kRowSlack readable bytes after it when NeedsSlack says so.
void PreparePixels(LinePlan& plan, int srcLen);
// Whether ApplyPixels reads up to kRowSlack bytes past a row's end.
inline bool NeedsSlack(const LinePlan& plan) {
  return plan.pixels.groups > 0 || !plan.pixels.pairMasks.empty() || plan.pixels.pairMadd;
}
// Blue, green and red of one 24-bit row at once; the same results as three
// ApplyLine calls with step 3.
void ApplyPixels(const LinePlan& plan, uint8_t* dst, const uint8_t* src);

// Rows of n bytes for the vertical pass. acc = (init ? 0 : acc) + w x row;
// a plan with narrow sums keeps them as n 16-bit values in acc's memory.
void MulAddRow(const LinePlan& plan, uint32_t* acc, const uint8_t* row, size_t n, uint64_t w, bool init);
void MulAddRow(Wide* acc, const uint8_t* row, size_t n, uint64_t w, bool init);
// out = ((started ? acc : 0) + w x row) / divisor of `tap`; acc may be
// overwritten. The first form for plans that fit 32 bits.
void FinishRow(const LinePlan& plan, uint8_t* out, uint32_t* acc, bool started, const uint8_t* row, size_t n,
               uint64_t w, const Tap& tap);
void FinishRow(uint8_t* out, Wide* acc, bool started, const uint8_t* row, size_t n, uint64_t w, const Tap& tap);

// Rows held together, so that each output row of the column pass is one
// sum over the rows of its run: the most rows one run may have, and
// whether a plan may use SumRows (weights below 2^15, sums below 2^31).
constexpr int kMaxHeldRows = 64;
bool RowSums(const LinePlan& plan);
// out = (weights[0] x rows[0] + ... ) / divisor of `tap`, n bytes of each row.
void SumRows(uint8_t* out, const uint8_t* const* rows, const uint32_t* weights, int count, size_t n, const Tap& tap);

} // namespace qv::resample
