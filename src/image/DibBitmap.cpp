#include "image/DibBitmap.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "image/FixedPalette.h"

namespace qv {
namespace {

// Images above this many bytes of 24-bit rows are refused rather than
// attempted; it keeps a hostile header from asking for absurd memory.
constexpr int64_t kMaxPixelBytes = int64_t{1} << 31;

// The product is compared by division, so no side up to INT_MAX can wrap it.
bool SaneSize(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPixelBytes && DibStride(width, 24) <= kMaxPixelBytes / height;
}

template <typename Vec>
bool TryResize(Vec& v, size_t n) {
  try {
    v.assign(n, 0);
    return true;
  } catch (const std::exception&) {  // bad_alloc, or length_error beyond max_size
    v.clear();
    v.shrink_to_fit();
    return false;
  }
}

// Pixel x of an indexed row.
int IndexAt(const uint8_t* row, int x, int bitCount) {
  switch (bitCount) {
  case 8: return row[x];
  case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
  case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
  default: return 0;
  }
}

void PutIndex(uint8_t* row, int x, int bitCount, int index) {
  switch (bitCount) {
  case 8: row[x] = static_cast<uint8_t>(index); break;
  case 4:
    if (x & 1)
      row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
    else
      row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
    break;
  case 1:
    if (index & 1) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
    break;
  default: break;
  }
}

} // namespace

int NearestPaletteIndex(const RgbQuad* palette, int count, uint8_t blue, uint8_t green, uint8_t red) {
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < count; ++i) {
    const long db = palette[i].rgbBlue - blue, dg = palette[i].rgbGreen - green, dr = palette[i].rgbRed - red;
    const long d = db * db + dg * dg + dr * dr;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

std::vector<RgbQuad> DefaultPaletteFor(int colorType) {
  std::vector<RgbQuad> p(static_cast<size_t>(colorType > 0 ? colorType : 0));
  if (colorType == kColorMono) {
    p[0] = RgbQuad{0, 0, 0, 0};
    p[1] = RgbQuad{255, 255, 255, 0};
  } else if (!p.empty()) {
    FillFixedPalette(p.data(), colorType);
  }
  return p;
}

// ---- CMemBitmap ----

bool CMemBitmap::SizeFits(int width, int height) { return SaneSize(width, height); }

bool CMemBitmap::Create(int width, int height, int colorType) {
  Release();
  if (BitCountOfColorType(colorType) == 0 && colorType != kColorTrue) return false;
  if (!SaneSize(width, height)) return false;
  if (!TryResize(m_bits, static_cast<size_t>(DibStride(width, 24) * height))) return false;
  m_width = width;
  m_height = height;
  m_colorType = colorType;
  return true;
}

void CMemBitmap::Release() {
  m_bits.clear();
  m_bits.shrink_to_fit();
  m_palette.clear();
}

void CMemBitmap::Fill(uint8_t blue, uint8_t green, uint8_t red) {
  for (int y = 0; y < m_height; ++y) {
    uint8_t* p = Row(y);
    for (int x = 0; x < m_width; ++x, p += 3) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
}

void CMemBitmap::SetPalette(const RgbQuad* entries, int count) {
  if (!entries || count <= 0)
    m_palette.clear();
  else
    m_palette.assign(entries, entries + count);
}

bool CMemBitmap::AdoptRows(int width, int height, int colorType, PixelBytes&& rows) {
  if (!SaneSize(width, height) || rows.size() != static_cast<size_t>(DibStride(width, 24) * height))
    return false;
  Release();
  m_bits = std::move(rows);
  m_width = width;
  m_height = height;
  m_colorType = colorType;
  return true;
}

bool CMemBitmap::CloneFrom(const CMemBitmap& other) {
  if (this == &other) return true;
  try {
    m_bits = other.m_bits;
  } catch (const std::exception&) {
    Release();
    return false;
  }
  m_palette = other.m_palette;
  m_width = other.m_width;
  m_height = other.m_height;
  m_colorType = other.m_colorType;
  return true;
}

void CMemBitmap::SwapPixels(CMemBitmap& other) {
  m_bits.swap(other.m_bits);
  m_palette.swap(other.m_palette);
  std::swap(m_width, other.m_width);
  std::swap(m_height, other.m_height);
  std::swap(m_colorType, other.m_colorType);
}

PixelBytes CMemBitmap::TakeRows() {
  PixelBytes rows = std::move(m_bits);
  Release();
  return rows;
}

// ---- CDibBitmap ----

const BitmapInfoHeader* CDibBitmap::DibHeader() const {
  return m_dibHeader.empty() ? nullptr : reinterpret_cast<const BitmapInfoHeader*>(m_dibHeader.data());
}

const RgbQuad* CDibBitmap::DibColors() const {
  return m_dibHeader.size() > sizeof(BitmapInfoHeader)
             ? reinterpret_cast<const RgbQuad*>(m_dibHeader.data() + sizeof(BitmapInfoHeader))
             : nullptr;
}

void CDibBitmap::FreeDib() {
  m_dibHeader.clear();
  m_dibHeader.shrink_to_fit();
  m_dibBits.clear();
  m_dibBits.shrink_to_fit();
}

const BitmapInfoHeader* CDibBitmap::ExportDib(int colorType, uint32_t compression) {
  if (colorType < 0) colorType = m_colorType;
  const int bitCount = BitCountOfColorType(colorType);
  if (bitCount == 0 || IsEmpty()) return nullptr;
  FreeDib();

  const int64_t stride = DibStride(m_width, bitCount);
  if (!TryResize(m_dibHeader, sizeof(BitmapInfoHeader) + 4u * static_cast<size_t>(colorType)) ||
      !TryResize(m_dibBits, static_cast<size_t>(stride * m_height))) {
    FreeDib();
    return nullptr;
  }
  BitmapInfoHeader h{};
  h.biSize = 40;
  h.biWidth = m_width;
  h.biHeight = m_height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitCount);
  h.biCompression = compression;
  h.biSizeImage = static_cast<uint32_t>(stride * m_height);
  h.biClrUsed = h.biClrImportant = static_cast<uint32_t>(colorType);
  std::memcpy(m_dibHeader.data(), &h, sizeof h);

  if (bitCount == 24) {
    std::memcpy(m_dibBits.data(), m_bits.data(), m_dibBits.size());
  } else {
    std::vector<RgbQuad> pal = m_palette.empty() ? DefaultPaletteFor(colorType) : m_palette;
    pal.resize(static_cast<size_t>(colorType), RgbQuad{0, 0, 0, 0});
    std::memcpy(m_dibHeader.data() + sizeof h, pal.data(), 4u * pal.size());
    for (int y = 0; y < m_height; ++y) {
      const uint8_t* src = Row(y);
      uint8_t* dst = m_dibBits.data() + y * stride;
      // Neighbouring pixels often repeat; remember the last match.
      int lastIndex = -1;
      uint8_t lb = 0, lg = 0, lr = 0;
      for (int x = 0; x < m_width; ++x, src += 3) {
        if (lastIndex < 0 || src[0] != lb || src[1] != lg || src[2] != lr) {
          lb = src[0];
          lg = src[1];
          lr = src[2];
          lastIndex = NearestPaletteIndex(pal.data(), colorType, lb, lg, lr);
        }
        PutIndex(dst, x, bitCount, lastIndex);
      }
    }
  }
  m_lastExported = h;
  return DibHeader();
}

bool CDibBitmap::ConvertFromDib(const BitmapInfoHeader& h, const RgbQuad* colors, int nColors,
                                const uint8_t* bits) {
  const int bitCount = h.biBitCount;
  const int width = h.biWidth, height = h.biHeight;
  PixelBytes rows;
  if (!SaneSize(width, height) || !TryResize(rows, static_cast<size_t>(DibStride(width, 24) * height))) return false;
  const int64_t srcStride = DibStride(width, bitCount);
  const int64_t dstStride = DibStride(width, 24);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = bits + y * srcStride;
    uint8_t* dst = rows.data() + y * dstStride;
    if (bitCount == 24) {
      std::memcpy(dst, src, static_cast<size_t>(3 * width));
      continue;
    }
    for (int x = 0; x < width; ++x, dst += 3) {
      const int i = IndexAt(src, x, bitCount);
      const RgbQuad q = i < nColors ? colors[i] : RgbQuad{0, 0, 0, 0};
      dst[0] = q.rgbBlue;
      dst[1] = q.rgbGreen;
      dst[2] = q.rgbRed;
    }
  }
  const std::vector<RgbQuad> pal(colors, colors + nColors);
  if (!AdoptRows(width, height, ColorTypeFromBits(h.biPlanes * bitCount), std::move(rows))) return false;
  m_palette = pal;
  return true;
}

bool CDibBitmap::AttachDib(const BitmapInfoHeader* header, const uint8_t* bits) {
  if (!header || header->biSize < 40 || header->biCompression != BI_RGB) return false;
  const int bitCount = header->biBitCount;
  if (header->biPlanes != 1 || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)) return false;
  if (!SaneSize(header->biWidth, header->biHeight)) return false;
  int nColors = ColorTypeFromBits(header->biPlanes * bitCount);
  if (nColors != 0 && header->biClrUsed != 0 && header->biClrUsed < static_cast<uint32_t>(nColors))
    nColors = static_cast<int>(header->biClrUsed);
  const auto* colors = reinterpret_cast<const RgbQuad*>(reinterpret_cast<const uint8_t*>(header) + header->biSize);
  if (!bits) bits = reinterpret_cast<const uint8_t*>(colors + nColors);
  return ConvertFromDib(*header, colors, nColors, bits);
}

bool CDibBitmap::RealizeDib() {
  const BitmapInfoHeader* h = DibHeader();
  if (!h) return false;
  const int nColors = static_cast<int>((m_dibHeader.size() - sizeof(BitmapInfoHeader)) / 4);
  const BitmapInfoHeader copy = *h;
  return ConvertFromDib(copy, DibColors(), nColors, m_dibBits.data());
}

} // namespace qv
