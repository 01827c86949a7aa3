#pragma once
// Turning a decoded picture upright from its Exif Orientation value (1-8):
// the value says where the stored rows and columns belong on the viewed
// picture, and the pixels are moved so that the stored picture is the viewed
// one. Rows are the 24-bit bottom-up DIB rows of CMemBitmap.
#include "image/DibBitmap.h"

namespace qv {

// `rows` holds height rows of DibStride(width, 24) bytes. 2, 3 and 4 work in
// place; 5 to 8 swap width and height and need one more buffer for the
// result, the source being freed afterwards. Values outside 2-8 change
// nothing. False (rows and sizes unchanged) for a size that does not match
// the rows or when the result's memory cannot be had. The outs always get the
// sizes the rows have on return.
bool ApplyOrientation(int orientation, int width, int height, PixelBytes& rows, int& outWidth, int& outHeight);

// The same on a bitmap; colour type and palette stay.
bool ApplyOrientation(int orientation, CMemBitmap& bitmap);

// True for the values that exchange width and height (5 to 8).
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

} // namespace qv
