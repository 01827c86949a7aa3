#include "image/RowResampler.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "image/DibBitmap.h"

namespace qv {

using resample::LinePlan;
using resample::Tap;
using resample::Wide;

struct CRowResampler::Plans {
  int srcWidth = -1, srcHeight = -1, fitWidth = -1, fitHeight = -1;
  bool topFirst = true;
  bool split = false;  // resample::SplitSums(columns)
  LinePlan columns;  // empty when the height stays
  LinePlan rows;     // empty when the width stays
  // What each source row adds to which output rows, by arrival.
  std::vector<size_t> start;
  std::vector<Contribution> contributions;
  // Held rows (resample::RowSums): the longest run of rows, the column
  // weights as 32-bit values, and per source row whether a later output
  // row still reads it.
  int span = 0;
  std::vector<uint32_t> weights32;
  std::vector<char> readLater;

  size_t Bytes() const {
    return sizeof(Plans) + resample::PlanBytes(columns) + resample::PlanBytes(rows) +
           start.capacity() * sizeof(size_t) + contributions.capacity() * sizeof(Contribution) +
           weights32.capacity() * sizeof(uint32_t) + readLater.capacity();
  }
};

CRowResampler::CRowResampler() = default;
CRowResampler::~CRowResampler() = default;

void CRowResampler::PlanFor(int sw, int sh) {
  const auto fits = [&](const Plans& q) {
    return q.srcWidth == sw && q.srcHeight == sh && q.fitWidth == m_fit.width && q.fitHeight == m_fit.height &&
           q.topFirst == m_topFirst;
  };
  if (fits(*m_plans)) return;
  // Folders alternate between a few sizes (landscape and portrait, two
  // cameras): the plans of earlier sizes are kept while they take little
  // memory, planning costs about as much as resampling a small photo.
  for (auto& kept : m_keptPlans)
    if (fits(*kept)) {
      std::swap(kept, m_plans);
      return;
    }
  if (m_plans->srcWidth >= 0) {
    m_keptPlans.push_back(std::move(m_plans));
    size_t bytes = 0;
    for (const auto& kept : m_keptPlans) bytes += kept->Bytes();
    while (!m_keptPlans.empty() && bytes > kKeptPlanBytes) {
      bytes -= m_keptPlans.front()->Bytes();
      m_keptPlans.erase(m_keptPlans.begin());
    }
    m_plans = std::make_unique<Plans>();
  }
  Plans& p = *m_plans;
  p = Plans();
  p.columns = m_fit.height == sh ? LinePlan() : resample::PlanLine(sh, m_fit.height);
  p.rows = m_fit.width == sw ? LinePlan() : resample::PlanLine(sw, m_fit.width);
  resample::PreparePixels(p.rows, sw);
  if (m_fit.height != sh) {
    // Output row r is finished by the last of its rows to arrive.
    std::vector<size_t> count(static_cast<size_t>(sh) + 1, 0);
    for (const Tap& t : p.columns.taps) {
      const int n = t.divisor == 0 ? 1 : t.count;
      for (int k = 0; k < n; ++k) ++count[static_cast<size_t>(t.first + k)];
    }
    p.start.assign(static_cast<size_t>(sh) + 1, 0);
    for (int k = 0; k < sh; ++k) p.start[static_cast<size_t>(k) + 1] = p.start[static_cast<size_t>(k)] + count[static_cast<size_t>(k)];
    p.contributions.resize(p.start.back());
    std::vector<size_t> fill(p.start.begin(), p.start.end() - 1);
    for (size_t r = 0; r < p.columns.taps.size(); ++r) {
      const Tap& t = p.columns.taps[r];
      const int n = t.divisor == 0 ? 1 : t.count;
      for (int k = 0; k < n; ++k) {
        const bool last = m_topFirst ? k == 0 : k == n - 1;
        const uint64_t w = t.divisor == 0 ? 0 : p.columns.weights[t.weight + static_cast<size_t>(k)];
        p.contributions[fill[static_cast<size_t>(t.first + k)]++] = Contribution{static_cast<int>(r), w, last, false};
      }
    }
    if (resample::RowSums(p.columns)) {
      for (const Tap& t : p.columns.taps)
        if (t.divisor != 0) p.span = std::max(p.span, t.count);
      if (p.span > resample::kMaxHeldRows) p.span = 0;
    }
    p.split = p.span == 0 && resample::SplitSums(p.columns);
    // Split sums: a 16-bit sum is flushed before it could pass 257 x 255.
    for (size_t r = 0; p.split && r < p.columns.taps.size(); ++r) {
      const Tap& t = p.columns.taps[r];
      if (t.divisor == 0) continue;
      uint64_t held = 0;
      for (int n = 0; n < t.count; ++n) {
        const int k = m_topFirst ? t.count - 1 - n : n;
        const size_t row = static_cast<size_t>(t.first + k);
        for (size_t c = p.start[row]; c < p.start[row + 1]; ++c) {
          Contribution& con = p.contributions[c];
          if (con.tap != static_cast<int>(r) || con.last || con.weight == 0) continue;
          if (held + con.weight > resample::kNarrowWeights) {
            con.flush = true;
            held = 0;
          }
          held += con.weight;
        }
      }
    }
  }
  if (p.span > 0) {
    p.weights32.assign(p.columns.weights.begin(), p.columns.weights.end());
    p.readLater.assign(static_cast<size_t>(sh), 0);
    for (int k = 0; k < sh; ++k)
      for (size_t c = p.start[static_cast<size_t>(k)]; c < p.start[static_cast<size_t>(k) + 1]; ++c) {
        const Contribution& con = p.contributions[c];
        if (!con.last && p.columns.taps[static_cast<size_t>(con.tap)].divisor != 0) p.readLater[static_cast<size_t>(k)] = 1;
      }
  }
  p.srcWidth = sw;
  p.srcHeight = sh;
  p.fitWidth = m_fit.width;
  p.fitHeight = m_fit.height;
  p.topFirst = m_topFirst;
}

void CRowResampler::Begin(int srcWidth, int srcHeight, int canvasWidth, int canvasHeight, bool topFirst) {
  // Refused before any memory is taken: a canvas the pixel buffer would
  // refuse at the end is not drawn first.
  if (!CMemBitmap::SizeFits(canvasWidth, canvasHeight)) throw std::length_error("canvas too large");
  if (!m_plans) m_plans = std::make_unique<Plans>();
  m_srcWidth = srcWidth;
  m_srcHeight = srcHeight;
  m_canvasWidth = canvasWidth;
  m_canvasHeight = canvasHeight;
  m_topFirst = topFirst;
  m_pushed = 0;
  m_fit = FitToCanvas(srcWidth, srcHeight, canvasWidth, canvasHeight);
  m_rowBytes = 3 * static_cast<size_t>(srcWidth);
  m_canvasStride = DibStride(canvasWidth, 24);
  PlanFor(srcWidth, srcHeight);
  ClearBorders();
  m_callerKeeps = false;
  m_mid.assign(m_rowBytes + resample::kRowSlack, 0);
  m_padded.assign(m_rowBytes + resample::kRowSlack, 0);
  if (m_plans->span > 0) {
    m_held.clear();  // made by the first row copied: a caller that keeps its rows needs none
    m_kept.assign(static_cast<size_t>(m_plans->span), nullptr);
    return;
  }
  m_held = PixelBytes();
  const size_t taps = m_plans->columns.taps.size();
  m_slotOf.assign(taps, -1);
  m_started.assign(taps, 0);
  m_freeSlots.clear();
  for (size_t s = 0; s < (m_plans->columns.fits32 ? m_slots32.size() : m_slotsWide.size()); ++s)
    m_freeSlots.push_back(static_cast<int>(s));
  if (m_plans->columns.fits32) {
    m_slotsWide.clear();
    for (auto& s : m_slots32) s.resize(SlotWords());
  } else {
    m_slots32.clear();
    for (auto& s : m_slotsWide) s.resize(m_rowBytes);
  }
}

// Black around the picture and in the row padding; the picture's own
// bytes are all written by the rows.
void CRowResampler::ClearBorders() {
  const size_t stride = static_cast<size_t>(m_canvasStride);
  const size_t bytes = stride * static_cast<size_t>(m_canvasHeight);
  if (m_spare.size() == bytes) m_canvas = std::move(m_spare);
  m_spare = PixelBytes();
  m_canvas.resize(bytes);
  uint8_t* bits = m_canvas.data();
  const size_t left = 3 * static_cast<size_t>(m_fit.x0), right = left + 3 * static_cast<size_t>(m_fit.width);
  const int top = m_fit.y0 + m_fit.height;
  if (m_fit.width <= 0 || m_fit.height <= 0 || right > stride || top > m_canvasHeight) {
    std::memset(bits, 0, m_canvas.size());
    return;
  }
  std::memset(bits, 0, stride * static_cast<size_t>(m_fit.y0));
  for (int y = m_fit.y0; y < top; ++y) {
    uint8_t* row = bits + stride * static_cast<size_t>(y);
    std::memset(row, 0, left);
    std::memset(row + right, 0, stride - right);
  }
  std::memset(bits + stride * static_cast<size_t>(top), 0, stride * static_cast<size_t>(m_canvasHeight - top));
}

// 32-bit sums and, behind them, the 16-bit sums of split plans.
size_t CRowResampler::SlotWords() const { return m_rowBytes + (m_plans->split ? (m_rowBytes + 1) / 2 : 0); }

uint32_t* CRowResampler::Slot32(int tap, bool& started) {
  int& slot = m_slotOf[static_cast<size_t>(tap)];
  if (slot < 0) {
    const bool wide = !m_plans->columns.fits32;
    if (m_freeSlots.empty()) {
      if (wide)
        m_slotsWide.emplace_back(m_rowBytes);
      else
        m_slots32.emplace_back(SlotWords());
      m_freeSlots.push_back(static_cast<int>(wide ? m_slotsWide.size() : m_slots32.size()) - 1);
    }
    slot = m_freeSlots.back();
    m_freeSlots.pop_back();
  }
  char& held = m_started[static_cast<size_t>(tap)];
  started = held != 0;
  if (!started) held = 1;
  return m_plans->columns.fits32 ? m_slots32[static_cast<size_t>(slot)].data() : nullptr;
}

void CRowResampler::ReleaseSlot(int tap) {
  int& slot = m_slotOf[static_cast<size_t>(tap)];
  if (slot >= 0) m_freeSlots.push_back(slot);
  slot = -1;
}

void CRowResampler::PushRow(const uint8_t* row, bool slack) {
  if (m_pushed >= m_srcHeight) return;
  const int k = m_topFirst ? m_srcHeight - 1 - m_pushed : m_pushed;
  ++m_pushed;
  const Plans& p = *m_plans;
  if (m_fit.height == m_srcHeight) {
    EmitRow(k, row, slack);
    return;
  }
  if (p.span > 0) {
    PushHeld(k, row, slack);
    return;
  }
  const LinePlan& plan = p.columns;
  for (size_t c = p.start[static_cast<size_t>(k)]; c < p.start[static_cast<size_t>(k) + 1]; ++c) {
    const Contribution& con = p.contributions[c];
    const Tap& tap = plan.taps[static_cast<size_t>(con.tap)];
    if (tap.divisor == 0) {
      EmitRow(con.tap, row, slack);
      continue;
    }
    if (!con.last && con.weight == 0) continue;
    bool started = false;
    uint32_t* acc32 = Slot32(con.tap, started);
    if (p.split) {
      // m_started: 1 the 32-bit sums hold rows, 2 the 16-bit ones do.
      char& held = m_started[static_cast<size_t>(con.tap)];
      if (!started) held = 0;
      auto* narrow = reinterpret_cast<uint16_t*>(acc32 + m_rowBytes);
      const auto w = static_cast<uint32_t>(con.weight);
      if (!con.last) {
        if (con.flush && (held & 2)) {
          resample::FlushNarrow(acc32, (held & 1) != 0, narrow, m_rowBytes);
          held = 1;
        }
        resample::MulAddNarrow(narrow, row, m_rowBytes, w, (held & 2) == 0);
        held |= 2;
        continue;
      }
      resample::FinishSplit(m_mid.data(), (held & 1) ? acc32 : nullptr, (held & 2) ? narrow : nullptr, row, m_rowBytes,
                            w, tap);
      ReleaseSlot(con.tap);
      EmitRow(con.tap, m_mid.data(), true);
      continue;
    }
    Wide* accWide = acc32 ? nullptr : m_slotsWide[static_cast<size_t>(m_slotOf[static_cast<size_t>(con.tap)])].data();
    if (!con.last) {
      if (acc32)
        resample::MulAddRow(plan, acc32, row, m_rowBytes, con.weight, !started);
      else
        resample::MulAddRow(accWide, row, m_rowBytes, con.weight, !started);
      continue;
    }
    if (acc32)
      resample::FinishRow(plan, m_mid.data(), acc32, started, row, m_rowBytes, con.weight, tap);
    else
      resample::FinishRow(m_mid.data(), accWide, started, row, m_rowBytes, con.weight, tap);
    ReleaseSlot(con.tap);
    EmitRow(con.tap, m_mid.data(), true);
  }
}

// Row k arrived: every output row it completes is one sum over its run's
// rows, the earlier of them held in a ring of span rows by arrival.
void CRowResampler::PushHeld(int k, const uint8_t* row, bool slack) {
  const Plans& p = *m_plans;
  const int arrival = m_pushed - 1;
  const uint8_t* rows[resample::kMaxHeldRows];
  for (size_t c = p.start[static_cast<size_t>(k)]; c < p.start[static_cast<size_t>(k) + 1]; ++c) {
    const Contribution& con = p.contributions[c];
    const Tap& tap = p.columns.taps[static_cast<size_t>(con.tap)];
    if (tap.divisor == 0) {
      EmitRow(con.tap, row, slack);
      continue;
    }
    if (!con.last) continue;
    for (int j = 0; j < tap.count; ++j) {
      const int kk = tap.first + j;
      const int back = m_topFirst ? kk - k : k - kk;  // arrivals ago
      rows[j] = back == 0 ? row : HeldRow(arrival - back);
    }
    resample::SumRows(m_mid.data(), rows, p.weights32.data() + tap.weight, tap.count, m_rowBytes, tap);
    EmitRow(con.tap, m_mid.data(), true);
  }
  if (!p.readLater[static_cast<size_t>(k)]) return;
  const size_t slot = static_cast<size_t>(arrival % p.span);
  if (m_callerKeeps) {
    m_kept[slot] = row;
    return;
  }
  if (m_held.empty()) m_held.resize(static_cast<size_t>(p.span) * m_rowBytes);
  std::memcpy(m_held.data() + slot * m_rowBytes, row, m_rowBytes);
}

const uint8_t* CRowResampler::HeldRow(int arrival) const {
  const size_t slot = static_cast<size_t>(arrival % m_plans->span);
  return m_callerKeeps ? m_kept[slot] : m_held.data() + slot * m_rowBytes;
}

int CRowResampler::RowsReadAgain() const { return m_plans && m_plans->span > 0 ? m_plans->span - 1 : 0; }

void CRowResampler::EmitRow(int outRow, const uint8_t* mid, bool slack) {
  uint8_t* dst = m_canvas.data() + (m_fit.y0 + outRow) * m_canvasStride + 3 * static_cast<int64_t>(m_fit.x0);
  if (m_fit.width == m_srcWidth) {
    std::memcpy(dst, mid, m_rowBytes);
    return;
  }
  if (!slack && resample::NeedsSlack(m_plans->rows)) {
    std::memcpy(m_padded.data(), mid, m_rowBytes);
    mid = m_padded.data();
  }
  resample::ApplyPixels(m_plans->rows, dst, mid);
}

PixelBytes CRowResampler::TakeCanvas() {
  PixelBytes canvas = std::move(m_canvas);
  m_canvas = PixelBytes();
  return canvas;
}

} // namespace qv
