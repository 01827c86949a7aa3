#include "image/ColorOps.h"
#include "image/ImageTexts.h"

#include <cstdio>
#include <new>

#include "app/AppHelpers.h"
#include "image/DisplayBitmap.h"
#include "image/ImageDoc.h"

namespace qv {
namespace {


inline int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

} // namespace

int ApplyToneCurve(CImageDoc& doc, const ToneTable& gamma, const ToneTable& level) {
  CConverterApp& app = doc.App();
  const CDibBitmap& src = doc.Bitmap();
  if (src.IsEmpty()) {
    ShowFileError(app.Messages(), kGammaOperation, doc.m_strPathName, kCantMakeDib);
    return 0;
  }
  // The two tables folded into one; out-of-range entries are clamped so a
  // table can never index outside the other.
  uint8_t map[256];
  for (int b = 0; b < 256; ++b)
    map[b] = static_cast<uint8_t>(ClampByte(gamma[static_cast<size_t>(ClampByte(level[static_cast<size_t>(b)]))]));

  const int width = src.Width(), height = src.Height();
  const size_t stride = static_cast<size_t>(src.Stride());
  PixelBytes rows;
  try {
    rows.assign(src.Bits(), src.Bits() + stride * static_cast<size_t>(height));
  } catch (const std::exception&) {
    ShowFileError(app.Messages(), kGammaOperation, doc.m_strPathName, kCantMakeDib);
    return 0;
  }
  const size_t samples = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    uint8_t* p = rows.data() + stride * static_cast<size_t>(y);
    for (size_t k = 0; k < samples; ++k) p[k] = map[p[k]];
  }

  auto result = std::make_unique<CDibBitmap>();
  if (!MakeDisplayBitmap(*result, width, height, std::move(rows), DisplayOptionsOf(app))) {
    ShowFileError(app.Messages(), kGammaOperation, doc.m_strPathName, kCantMakeBitmap);
    return 0;
  }
  doc.m_pBitmap = std::move(result);
  doc.m_colorTable.clear();
  doc.m_nFileSize = 0;
  char size[48];
  std::snprintf(size, sizeof size, "%dx%d ", width, height);
  doc.SetDescription(std::string(size) + kModifiedImage);
  return 1;
}

YCbCr YCbCrOf(int red, int green, int blue) {
  // Integer division truncates toward zero, as the components require.
  YCbCr c;
  c.y = (77 * red + 150 * green + 29 * blue) / 256;
  c.cb = (128 * blue - 85 * green - 43 * red) / 256 + 128;
  c.cr = (128 * red - 107 * green - 21 * blue) / 256 + 128;
  return c;
}

int SeparateYCbCr(const CImageDoc& source, const std::string& sourceTitle, std::vector<SeparatedImage>& out) {
  CConverterApp& app = source.App();
  const CDibBitmap& src = source.Bitmap();
  auto fail = [&](const char* message) {
    ShowFileError(app.Messages(), kSeparateOperation, source.m_strPathName, message);
    return 0;
  };
  if (src.IsEmpty()) return fail(kCantMakeDib);

  RgbQuad ramp[256];
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    ramp[i] = RgbQuad{v, v, v, 0};
  }
  static const char* const kSuffixes[3] = {"[Y]", "[Cb]", "[Cr]"};
  const int width = src.Width(), height = src.Height();
  const size_t stride = static_cast<size_t>(src.Stride());
  for (int component = 0; component < 3; ++component) {
    auto doc = std::make_unique<CImageDoc>(app);
    PixelBytes rows;
    try {
      rows.resize(stride * static_cast<size_t>(height));
    } catch (const std::exception&) {
      return fail(kCantMakeDib);
    }
    for (int y = 0; y < height; ++y) {
      const uint8_t* s = src.Row(y);
      uint8_t* row = rows.data() + stride * static_cast<size_t>(y);
      uint8_t* d = row;
      for (int x = 0; x < width; ++x, s += 3, d += 3) {
        const YCbCr c = YCbCrOf(s[2], s[1], s[0]);
        const int v = component == 0 ? c.y : (component == 1 ? c.cb : c.cr);
        d[0] = d[1] = d[2] = static_cast<uint8_t>(v);
      }
      // Padding bytes are never read, but keep them defined.
      for (size_t k = static_cast<size_t>(width) * 3; k < stride; ++k) row[k] = 0;
    }
    if (!doc->OnNewDocument() || !doc->Bitmap().AdoptRows(width, height, kColor256, std::move(rows)))
      return fail(kCantMakeBitmap);
    doc->Bitmap().SetPalette(ramp, 256);
    app.UnregisterDocumentId(doc->m_nDocumentId);
    doc->m_nDocumentId = source.m_nDocumentId;
    app.RegisterDocumentId(doc->m_nDocumentId);
    out.push_back(SeparatedImage{std::move(doc), sourceTitle + kSuffixes[component]});
  }
  return 1;
}

} // namespace qv
