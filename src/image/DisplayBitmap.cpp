#include "image/DisplayBitmap.h"

namespace qv {

bool MakeDisplayBitmap(CDibBitmap& target, int width, int height, PixelBytes&& rows24,
                       const DisplayOptions& options) {
  (void)options;
  return target.AdoptRows(width, height, kColorTrue, std::move(rows24));
}

} // namespace qv
