#pragma once
// Turns freshly decoded 24-bit rows into a document's displayable buffer.
#include "image/DibBitmap.h"

namespace qv {

struct DisplayOptions {
  int depth = 24;              // planes x bits per pixel of the display
  bool ditherFor16bit = false; // the UseDitherFor16bitColor setting
};

// rows24: bottom-up 24-bit rows of width x height. On displays of 24 bits
// (and 15/16 bits unless ditherFor16bit) the rows are adopted unchanged;
// below that they are dithered. Returns false when memory runs out.
bool MakeDisplayBitmap(CDibBitmap& target, int width, int height, PixelBytes&& rows24,
                       const DisplayOptions& options);

} // namespace qv
