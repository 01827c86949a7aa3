#include "image/ColorMatcher.h"

#include <cstdlib>
#include <utility>

namespace qv {

bool CColorMatcher::Init(const RgbQuad* palette, int capacity, int count) {
  if (count < 0 || (count > 0 && !palette)) return false;
  if (capacity < count) capacity = count;
  m_palette = palette;
  m_count = count;
  m_capacity = capacity;
  m_groupCount = 0;
  const size_t n = static_cast<size_t>(capacity);
  m_permutation.assign(n, 0);
  m_keys.assign(n, 0);
  m_groupStart.assign(n, 0);
  m_groupLength.assign(n, 0);
  return true;
}

void CColorMatcher::BuildIndex() {
  for (int i = 0; i < m_capacity; ++i) m_permutation[static_cast<size_t>(i)] = i;
  for (int i = 0; i < m_count; ++i) {
    const RgbQuad& q = m_palette[i];
    m_keys[static_cast<size_t>(i)] = Bucket(q.rgbBlue, q.rgbGreen, q.rgbRed);
  }

  // Comb sort. Equal keys are not kept in order, and which equal entry
  // comes later decides ties in FindNearest, so the gap sequence is fixed.
  int gap = m_count;
  bool swapped;
  do {
    gap = gap / 2 + gap / 4;
    if (gap == 9 || gap == 10) gap = 11;
    if (gap <= 0) gap = 1;
    swapped = false;
    for (int j = 0; j + gap < m_count; ++j) {
      if (m_keys[static_cast<size_t>(j + gap)] < m_keys[static_cast<size_t>(j)]) {
        std::swap(m_keys[static_cast<size_t>(j)], m_keys[static_cast<size_t>(j + gap)]);
        std::swap(m_permutation[static_cast<size_t>(j)], m_permutation[static_cast<size_t>(j + gap)]);
        swapped = true;
      }
    }
  } while (swapped || gap > 1);

  // Runs of equal keys become groups; a group's key moves down to its own
  // index, never past a key still to be read.
  m_groupCount = 0;
  for (int j = 0; j < m_count;) {
    const int key = m_keys[static_cast<size_t>(j)];
    int end = j + 1;
    while (end < m_count && m_keys[static_cast<size_t>(end)] == key) ++end;
    const size_t g = static_cast<size_t>(m_groupCount++);
    m_groupStart[g] = j;
    m_groupLength[g] = end - j;
    m_keys[g] = key;
    j = end;
  }
}

int CColorMatcher::FindNearest(const uint8_t* bgr) const {
  if (m_groupCount == 0) return 0;
  const int k = Bucket(bgr[0], bgr[1], bgr[2]);
  int lo = 0, hi = m_groupCount, group = -1;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const int key = m_keys[static_cast<size_t>(mid)];
    if (key < k) {
      lo = mid + 1;
    } else if (key > k) {
      hi = mid;
    } else {
      group = mid;
      break;
    }
  }
  if (group < 0) group = lo < m_groupCount ? lo : m_groupCount - 1;

  const int start = m_groupStart[static_cast<size_t>(group)];
  const int length = m_groupLength[static_cast<size_t>(group)];
  if (length == 1) return m_permutation[static_cast<size_t>(start)];
  int best = 0xFFFF, bestIndex = m_permutation[static_cast<size_t>(start)];
  for (int j = start; j < start + length; ++j) {
    const int index = m_permutation[static_cast<size_t>(j)];
    const RgbQuad& q = m_palette[index];
    const int d = std::abs(bgr[0] - q.rgbBlue) + std::abs(bgr[1] - q.rgbGreen) + std::abs(bgr[2] - q.rgbRed);
    if (d <= best) {
      best = d;
      bestIndex = index;
      if (d == 0) break;
    }
  }
  return bestIndex;
}

} // namespace qv
