#pragma once
// The pixel buffer of a document.
//
// CMemBitmap stands in for the device bitmap of a true-colour display: it
// always holds 24-bit blue-green-red rows, bottom-up and padded like a DIB,
// plus the colour type of the image's format and, for indexed formats, the
// palette. CDibBitmap adds the exported DIB: header, colour table and bits
// in the layout of any colour type, made on request and freed afterwards.
#include <cstdint>
#include <vector>

#include "image/Dib.h"

namespace qv {

class CMemBitmap {
public:
  CMemBitmap() = default;
  virtual ~CMemBitmap() = default;
  CMemBitmap(const CMemBitmap&) = delete;
  CMemBitmap& operator=(const CMemBitmap&) = delete;

  // Allocates a black image; colorType is 0, 2, 16 or 256. Returns false
  // (and holds nothing) for a bad type, a bad size or no memory.
  bool Create(int width, int height, int colorType);
  // Whether a 24-bit image of that size is one Create would make.
  static bool SizeFits(int width, int height);
  // Drops pixels and palette; width, height and colour type keep their values.
  void Release();
  bool IsEmpty() const { return m_bits.empty(); }

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int ColorType() const { return m_colorType; }
  void SetColorType(int colorType) { m_colorType = colorType; }

  // The 24-bit rows; memory row 0 is the bottom image row.
  int64_t Stride() const { return DibStride(m_width, 24); }
  uint8_t* Row(int memoryRow) { return m_bits.data() + memoryRow * Stride(); }
  const uint8_t* Row(int memoryRow) const { return m_bits.data() + memoryRow * Stride(); }
  uint8_t* Bits() { return m_bits.data(); }
  const uint8_t* Bits() const { return m_bits.data(); }
  void Fill(uint8_t blue, uint8_t green, uint8_t red);

  const std::vector<RgbQuad>& Palette() const { return m_palette; }
  void SetPalette(const RgbQuad* entries, int count);

  // Adopts 24-bit rows without copying them (rows.size() must be
  // height x stride).
  bool AdoptRows(int width, int height, int colorType, PixelBytes&& rows);
  // A copy of another buffer's pixels, size, colour type and palette.
  bool CloneFrom(const CMemBitmap& other);
  // Exchanges pixels, size, colour type and palette with another buffer.
  void SwapPixels(CMemBitmap& other);
  // Gives the rows away; the buffer is released afterwards.
  PixelBytes TakeRows();

protected:
  PixelBytes m_bits;
  std::vector<RgbQuad> m_palette;
  int m_width = 0;
  int m_height = 0;
  int m_colorType = kColorTrue;
};

class CDibBitmap : public CMemBitmap {
public:
  // Exports the image as a packed DIB of `colorType` (negative: its own).
  // Indexed types map each pixel to the nearest palette entry (the held
  // palette, or the fixed one of that type). Returns the header or null.
  const BitmapInfoHeader* ExportDib(int colorType, uint32_t compression = BI_RGB);
  void FreeDib();
  // Header and colour table of the last export, and its bits.
  const BitmapInfoHeader* DibHeader() const;
  const RgbQuad* DibColors() const;
  uint8_t* DibBits() { return m_dibBits.data(); }
  const uint8_t* DibBits() const { return m_dibBits.data(); }
  size_t DibHeaderSize() const { return m_dibHeader.size(); }
  size_t DibBitsSize() const { return m_dibBits.size(); }
  // The header of the last export, kept after FreeDib.
  const BitmapInfoHeader& LastExportedHeader() const { return m_lastExported; }

  // Adopts a packed DIB from the caller's memory (bits null: right after the
  // colour table), copying it into the buffer. Returns false when the header
  // is not one this program makes (1, 4, 8 or 24 bits, BI_RGB, sane size).
  bool AttachDib(const BitmapInfoHeader* header, const uint8_t* bits);
  // Rebuilds the pixels from the held export (for example after a caller
  // edited the exported bits); the export stays held.
  bool RealizeDib();

private:
  bool ConvertFromDib(const BitmapInfoHeader& h, const RgbQuad* colors, int nColors, const uint8_t* bits);

  std::vector<uint8_t> m_dibHeader;  // header + colour table
  PixelBytes m_dibBits;
  BitmapInfoHeader m_lastExported{};
};

// Nearest entry of a palette by squared distance; first one on ties.
int NearestPaletteIndex(const RgbQuad* palette, int count, uint8_t blue, uint8_t green, uint8_t red);
// The palette used for an indexed export when the buffer holds none:
// black and white; the 16 standard VGA colours; 3-3-2 levels for 256.
std::vector<RgbQuad> DefaultPaletteFor(int colorType);

} // namespace qv
