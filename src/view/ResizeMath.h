#pragma once
// The resize dialog's proportion: a new width gives the height that keeps
// the aspect of the size the dialog was opened with, and the other way round.
#include <cstdint>

namespace qv {

// (width x baseHeight) / baseWidth, truncated. The product is taken in 64
// bits and the result saturates at UINT32_MAX, so large entries never wrap
// into a small size; a base side of 0 has no proportion and gives 0.
uint32_t ProportionalHeight(uint32_t width, uint32_t baseWidth, uint32_t baseHeight);
// (height x baseWidth) / baseHeight, with the same rules.
uint32_t ProportionalWidth(uint32_t height, uint32_t baseWidth, uint32_t baseHeight);

} // namespace qv
