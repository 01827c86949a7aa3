#pragma once
// Turns freshly decoded 24-bit rows into a document's displayable buffer.
#include "image/DibBitmap.h"

namespace qv {

struct DisplayOptions {
  int depth = 24;              // planes x bits per pixel of the display
  bool ditherFor16bit = false; // the UseDitherFor16bitColor setting
};

class CConverterApp;
// The display depth and dither setting of the application.
DisplayOptions DisplayOptionsOf(const CConverterApp& app);

// The `colors` code for 24-bit rows pre-dithered for a 15-bit display.
constexpr int kDither15bit = 0x8000;

// What a display needs: 0 (rows shown unchanged), 16, 64, 256 or kDither15bit.
int DisplayDitherColors(const DisplayOptions& options);

// rows24: bottom-up 24-bit rows of width x height. On displays of 24 bits
// (and 15/16 bits unless ditherFor16bit) the rows are adopted unchanged;
// below that they are dithered. Returns false when memory runs out or the
// rows do not match the size.
bool MakeDisplayBitmap(CDibBitmap& target, int width, int height, PixelBytes&& rows24,
                       const DisplayOptions& options);

// Dithers the rows in place and adopts them. colors 256: 3-3-2 ordered
// dither; 16 and 64: nearest colour of the fixed palette; kDither15bit:
// 24-bit rows with the 15-bit bit-pattern dither. Palette results hold the
// palette colours with colour type 256 and the palette set, so
// ExportDib(256) gives the indices back. Returns false for another code or
// rows that do not match the size.
bool DitherForDisplay(CDibBitmap& target, int width, int height, PixelBytes&& rows24, int colors);

} // namespace qv
