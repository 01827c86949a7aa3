#pragma once
// Nearest palette colour, searching only the entries of the pixel's own
// luminance bucket (16 buckets).
#include <cstdint>
#include <vector>

#include "image/Dib.h"

namespace qv {

class CColorMatcher {
public:
  // The palette is not copied and must outlive the matcher. A capacity
  // below count is raised to count. Returns false for a null palette with
  // entries or a negative count.
  bool Init(const RgbQuad* palette, int capacity, int count);
  // Sorts the entries by bucket and groups them; call after Init.
  void BuildIndex();
  // bgr: blue, green, red bytes. Among entries at equal distance the later
  // one in sorted order wins. Returns 0 for an empty palette.
  int FindNearest(const uint8_t* bgr) const;

  int GroupCount() const { return m_groupCount; }
  // The bucket of a colour: its luminance / 16.
  static int Bucket(int blue, int green, int red) { return ((19 * blue + 54 * red + 183 * green) >> 8) >> 4; }

private:
  std::vector<int> m_permutation;  // entry indices in sorted order
  std::vector<int> m_keys;         // bucket per sorted entry, then per group
  std::vector<int> m_groupStart;
  std::vector<int> m_groupLength;
  const RgbQuad* m_palette = nullptr;
  int m_count = 0;
  int m_capacity = 0;
  int m_groupCount = 0;
};

} // namespace qv
