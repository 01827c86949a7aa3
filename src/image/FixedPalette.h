#pragma once
#include "image/Dib.h"

namespace qv {

// The fixed palettes of 4, 16, 64 and 256 colours; nothing for a count of 0
// or above 256, black entries for any other count.
void FillFixedPalette(RgbQuad* table, int count);

} // namespace qv
