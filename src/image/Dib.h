#pragma once
// The packed device-independent bitmap: a 40-byte header, a colour table of
// blue, green, red, 0 quadruples, then bottom-up rows padded to 4 bytes.
#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

#pragma pack(push, 1)
struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;  // positive: the first row in memory is the bottom row
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
struct RgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40, "header is 40 bytes");
static_assert(sizeof(RgbQuad) == 4, "colour entries are 4 bytes");

constexpr uint32_t BI_RGB = 0;

// Memory for pixel rows. Large blocks are asked to be backed by huge pages:
// first touching a 36 MB image page by page costs as much as decoding it.
void* AllocatePixelMemory(size_t bytes);
void FreePixelMemory(void* p, size_t bytes) noexcept;

// Pixel rows are large and always written before they are read: an
// allocator that leaves resized bytes uninitialised saves a pass over them.
template <typename T>
struct NoInitAllocator : std::allocator<T> {
  template <typename U> struct rebind { using other = NoInitAllocator<U>; };
  NoInitAllocator() = default;
  template <typename U> NoInitAllocator(const NoInitAllocator<U>&) noexcept {}
  T* allocate(size_t n) { return static_cast<T*>(AllocatePixelMemory(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { FreePixelMemory(p, n * sizeof(T)); }
  template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
  template <typename U, typename... Args> void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using PixelBytes = std::vector<uint8_t, NoInitAllocator<uint8_t>>;

// Colour type: the palette size of a format, 0 meaning 24-bit true colour.
constexpr int kColorTrue = 0;
constexpr int kColorMono = 2;
constexpr int kColor16 = 16;
constexpr int kColor256 = 256;

// planes x bits per pixel: 1 -> 2, 4 -> 16, 8 -> 256, anything else -> 0.
inline int ColorTypeFromBits(int planesTimesBits) {
  switch (planesTimesBits) {
  case 1: return kColorMono;
  case 4: return kColor16;
  case 8: return kColor256;
  default: return kColorTrue;
  }
}
// 0 -> 24, 2 -> 1, 16 -> 4, 256 -> 8; any other code -> 0 (invalid).
inline int BitCountOfColorType(int colorType) {
  switch (colorType) {
  case kColorTrue: return 24;
  case kColorMono: return 1;
  case kColor16: return 4;
  case kColor256: return 8;
  default: return 0;
  }
}
// Row size in bytes, padded to a multiple of 4; 64-bit so huge widths
// cannot wrap.
inline int64_t DibStride(int64_t width, int bitCount) {
  switch (bitCount) {
  case 24: return (3 * width + 3) & ~int64_t{3};
  case 8: return (width + 3) & ~int64_t{3};
  case 4: return ((width + 1) / 2 + 3) & ~int64_t{3};
  case 1: return ((width + 7) / 8 + 3) & ~int64_t{3};
  default: return 0;
  }
}

} // namespace qv
