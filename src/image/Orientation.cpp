#include "image/Orientation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

namespace qv {
namespace {

constexpr int kTile = 64;  // pixels; two 64-row strips of a tile side fit in L1

inline void SwapPixel(uint8_t* a, uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

void MirrorRow(uint8_t* row, int width) {
  uint8_t* left = row;
  uint8_t* right = row + 3 * int64_t{width - 1};
  for (; left < right; left += 3, right -= 3) SwapPixel(left, right);
}

// Exchanges two rows, each reversed: the half-turn of a pair of rows.
void SwapRowsReversed(uint8_t* a, uint8_t* b, int width) {
  uint8_t* q = b + 3 * int64_t{width - 1};
  for (int x = 0; x < width; ++x, a += 3, q -= 3) SwapPixel(a, q);
}

// In memory rows (bottom-up) the four quarter-turn cases are one copy:
// source memory row ms, column xs goes to destination memory row xs or
// width-1-xs, column ms or height-1-ms.
void TransposeInto(const uint8_t* src, int width, int height, int64_t srcStride, uint8_t* dst, int64_t dstStride,
                   bool flipColumn, bool flipRow) {
  for (int ms0 = 0; ms0 < height; ms0 += kTile) {
    const int ms1 = std::min(height, ms0 + kTile);
    for (int xs0 = 0; xs0 < width; xs0 += kTile) {
      const int xs1 = std::min(width, xs0 + kTile);
      for (int xs = xs0; xs < xs1; ++xs) {
        const int md = flipRow ? width - 1 - xs : xs;
        uint8_t* out = dst + md * dstStride;
        const uint8_t* in = src + ms0 * srcStride + 3 * int64_t{xs};
        if (flipColumn) {
          uint8_t* o = out + 3 * int64_t{height - 1 - ms0};
          for (int ms = ms0; ms < ms1; ++ms, in += srcStride, o -= 3) std::memcpy(o, in, 3);
        } else {
          uint8_t* o = out + 3 * int64_t{ms0};
          for (int ms = ms0; ms < ms1; ++ms, in += srcStride, o += 3) std::memcpy(o, in, 3);
        }
      }
    }
  }
}

// Bytes of `height` rows of `width` pixels, or -1 when it cannot be a size.
int64_t RowsBytes(int width, int height) {
  if (width <= 0 || height <= 0) return -1;
  const int64_t stride = DibStride(width, 24);
  if (stride > std::numeric_limits<int64_t>::max() / height) return -1;
  const int64_t bytes = stride * height;
  if (static_cast<uint64_t>(bytes) > std::numeric_limits<size_t>::max()) return -1;
  return bytes;
}

// 2, 3 and 4 on rows in place.
void FlipInPlace(int orientation, int width, int height, uint8_t* bits, int64_t stride) {
  switch (orientation) {
  case 2:
    for (int y = 0; y < height; ++y) MirrorRow(bits + y * stride, width);
    break;
  case 3:
    for (int y = 0; y < height / 2; ++y) SwapRowsReversed(bits + y * stride, bits + (height - 1 - y) * stride, width);
    if (height % 2) MirrorRow(bits + (height / 2) * stride, width);
    break;
  case 4:
    for (int y = 0; y < height / 2; ++y) {
      uint8_t* a = bits + y * stride;
      std::swap_ranges(a, a + 3 * int64_t{width}, bits + (height - 1 - y) * stride);
    }
    break;
  default: break;
  }
}

// 5 to 8 into a new buffer; false when it cannot be had.
bool TurnInto(int orientation, int width, int height, const uint8_t* bits, PixelBytes& result) {
  const int64_t bytes = RowsBytes(height, width);
  if (bytes < 0) return false;
  try {
    result.resize(static_cast<size_t>(bytes));
  } catch (const std::exception&) {  // bad_alloc, or length_error beyond max_size
    return false;
  }
  const int64_t dstStride = DibStride(height, 24);
  const int64_t pad = dstStride - 3 * int64_t{height};
  if (pad > 0)
    for (int y = 0; y < width; ++y) std::memset(result.data() + y * dstStride + 3 * int64_t{height}, 0, static_cast<size_t>(pad));
  const bool flipColumn = orientation == 5 || orientation == 8;
  const bool flipRow = orientation == 5 || orientation == 6;
  TransposeInto(bits, width, height, DibStride(width, 24), result.data(), dstStride, flipColumn, flipRow);
  return true;
}

} // namespace

bool ApplyOrientation(int orientation, int width, int height, PixelBytes& rows, int& outWidth, int& outHeight) {
  outWidth = width;
  outHeight = height;
  if (orientation < 2 || orientation > 8) return true;
  const int64_t bytes = RowsBytes(width, height);
  if (bytes < 0 || rows.size() < static_cast<size_t>(bytes)) return false;
  if (!OrientationSwapsSides(orientation)) {
    FlipInPlace(orientation, width, height, rows.data(), DibStride(width, 24));
    return true;
  }
  PixelBytes result;
  if (!TurnInto(orientation, width, height, rows.data(), result)) return false;
  rows.swap(result);
  outWidth = height;
  outHeight = width;
  return true;
}

bool ApplyOrientation(int orientation, CMemBitmap& bitmap) {
  if (orientation < 2 || orientation > 8) return true;
  const int width = bitmap.Width(), height = bitmap.Height();
  const int64_t bytes = RowsBytes(width, height);
  if (bytes < 0 || bitmap.IsEmpty()) return false;
  if (!OrientationSwapsSides(orientation)) {
    FlipInPlace(orientation, width, height, bitmap.Bits(), bitmap.Stride());
    return true;
  }
  PixelBytes result;
  std::vector<RgbQuad> palette;
  try {
    palette = bitmap.Palette();
  } catch (const std::exception&) {
    return false;
  }
  if (!TurnInto(orientation, width, height, bitmap.Bits(), result)) return false;
  const int colorType = bitmap.ColorType();
  // Adopting drops the palette and the old rows together.
  if (!bitmap.AdoptRows(height, width, colorType, std::move(result))) return false;
  bitmap.SetPalette(palette.data(), static_cast<int>(palette.size()));
  return true;
}

} // namespace qv
