#include "image/DecodeScale.h"

namespace qv {

int ShrinkNumerator(int width, int height, int limit) {
  if (width <= 0 || height <= 0 || limit <= 0) return 0;
  for (int m = 8; m >= 1; --m)
    if (ScaledSide(width, m) <= limit && ScaledSide(height, m) <= limit) return m;
  return 0;
}

} // namespace qv
