#pragma once
// The resampler of image/Resample.h fed one source row at a time, as a
// decoder delivers them: the column pass holds the few rows of the output
// rows still open (or, for runs too long to hold, running sums), so no
// source image is held; each finished row is fitted into the canvas at
// once. The results are those of ResizeBitmap.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/Dib.h"
#include "image/LinePlan.h"
#include "image/Resample.h"

namespace qv {

class CRowResampler {
public:
  CRowResampler();
  ~CRowResampler();
  CRowResampler(const CRowResampler&) = delete;
  CRowResampler& operator=(const CRowResampler&) = delete;

  // A black canvas of canvasWidth x canvasHeight for a source of the given
  // size whose memory rows arrive from the top (descending) or from the
  // bottom. Plans of the last sizes are kept for the next picture. Throws
  // std::bad_alloc when memory runs out.
  void Begin(int srcWidth, int srcHeight, int canvasWidth, int canvasHeight, bool topFirst);
  // The next source row: 3 x srcWidth bytes, blue-green-red; `slack` when
  // resample::kRowSlack bytes after it may be read.
  void PushRow(const uint8_t* row, bool slack = false);
  // How many rows before the latest one the resampler reads again when an
  // output row completes (0: none). A caller that leaves each pushed row
  // unchanged for that many more rows says so after Begin, and the rows
  // are then read where they are instead of being copied.
  int RowsReadAgain() const;
  void CallerKeepsRows() { m_callerKeeps = RowsReadAgain() > 0; }
  // Whether every source row has arrived.
  bool Complete() const { return m_pushed == m_srcHeight; }
  const FitResult& Fit() const { return m_fit; }
  int CanvasWidth() const { return m_canvasWidth; }
  int CanvasHeight() const { return m_canvasHeight; }
  // The canvas rows (bottom-up, DIB-padded); the resampler is empty afterwards.
  PixelBytes TakeCanvas();
  // Memory a later Begin may use for its canvas when the size is the same.
  void Recycle(PixelBytes&& rows) { m_spare = std::move(rows); }

private:
  struct Contribution {
    int tap;
    uint64_t weight;
    bool last;  // the tap's last row to arrive
    bool flush;  // split sums: the 16-bit sum goes into the 32-bit one first
  };
  void PlanFor(int srcWidth, int srcHeight);
  void ClearBorders();
  void EmitRow(int outRow, const uint8_t* mid, bool slack);
  size_t SlotWords() const;
  uint32_t* Slot32(int tap, bool& started);
  void ReleaseSlot(int tap);
  void PushHeld(int k, const uint8_t* row, bool slack);
  const uint8_t* HeldRow(int arrival) const;

  int m_srcWidth = 0, m_srcHeight = 0;
  int m_canvasWidth = 0, m_canvasHeight = 0;
  bool m_topFirst = true;
  FitResult m_fit;
  size_t m_rowBytes = 0;
  int64_t m_canvasStride = 0;
  int m_pushed = 0;
  PixelBytes m_canvas;
  PixelBytes m_spare;
  // Kept between pictures of the same sizes.
  struct Plans;
  std::unique_ptr<Plans> m_plans;
  // Earlier sizes' plans, oldest first, within a memory budget.
  static constexpr size_t kKeptPlanBytes = size_t{1} << 20;
  std::vector<std::unique_ptr<Plans>> m_keptPlans;
  // Per open output row: its accumulator slot, or -1.
  std::vector<int> m_slotOf;
  std::vector<char> m_started;
  std::vector<std::vector<uint32_t>> m_slots32;
  std::vector<std::vector<resample::Wide>> m_slotsWide;
  std::vector<int> m_freeSlots;
  PixelBytes m_held;    // the rows later output rows read, by arrival
  std::vector<const uint8_t*> m_kept;  // the same when the caller keeps them
  bool m_callerKeeps = false;
  PixelBytes m_mid;     // a finished column-pass row, with slack
  PixelBytes m_padded;  // a source row copied for slack
};

} // namespace qv
