#include "view/ResizeMath.h"

namespace qv {
namespace {

uint32_t Scale(uint32_t value, uint32_t numerator, uint32_t denominator) {
  if (denominator == 0) return 0;
  const uint64_t q = static_cast<uint64_t>(value) * numerator / denominator;
  return q > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(q);
}

} // namespace

uint32_t ProportionalHeight(uint32_t width, uint32_t baseWidth, uint32_t baseHeight) {
  return Scale(width, baseHeight, baseWidth);
}

uint32_t ProportionalWidth(uint32_t height, uint32_t baseWidth, uint32_t baseHeight) {
  return Scale(height, baseWidth, baseHeight);
}

} // namespace qv
