#include "view/PngSaveForm.h"

#include "app/ConverterApp.h"
#include "app/Settings.h"
#include "image/ImageDoc.h"

namespace qv {

const char* const kPngSaveModeLabels[kPngSaveModeCount] = {"24bit RGB", "8bit Idx-color", "4bit Idx-color",
                                                           "8bit Grayscale", "4bit Grayscale"};

int OpeningPngMode(const CImageDoc& doc) {
  const bool small = doc.m_nBitsPerSample <= 4;
  if (doc.m_bGrayscale) return small ? 4 : 3;
  if (!doc.m_colorTable.empty()) return small ? 2 : 1;
  return 0;
}

PngSaveChoices OpeningPngChoices(const CImageDoc& doc) {
  const CSettings& s = doc.App().m_settings;
  PngSaveChoices c;
  c.interlace = s.bUseInterlaceOnSave != 0;
  c.mode = OpeningPngMode(doc);
  for (int i = 0; i < 3; ++i) c.color[i] = doc.m_transparentColor[i];
  c.transparent = doc.m_bTransparent != 0;
  c.writeGamma = s.UseDefaultGammaOnSave || doc.m_bGamma;
  c.gammaText = FormatSettingDouble(doc.m_bGamma ? doc.m_dGamma : s.DefaultGamma);
  return c;
}

int ColorRefOf(const uint8_t bgr[3]) { return bgr[2] | bgr[1] << 8 | bgr[0] << 16; }

void ApplyPngChoices(CImageDoc& doc, const PngSaveChoices& c) {
  CSettings& s = doc.App().m_settings;
  s.bUseInterlaceOnSave = c.interlace ? 1 : 0;
  const double gamma = ParseSettingDouble(c.gammaText);
  if (doc.m_nFileType == FT_CLIPBOARD) {
    s.pngSaveMode = c.mode;
    s.UseTransparentOnSave = c.transparent ? 1 : 0;
    s.UseWriteGammaValue = c.writeGamma ? 1 : 0;
    s.DefaultGamma = gamma;
    s.colorTransparent = ColorRefOf(c.color);
  }
  for (int i = 0; i < 3; ++i) doc.m_transparentColor[i] = c.color[i];
  doc.m_bTransparent = c.transparent ? 1 : 0;
  doc.m_bWriteGamma = c.writeGamma ? 1 : 0;
  doc.m_nPngSaveMode = c.mode;
  if (c.writeGamma) {
    doc.m_dGamma = gamma;
    doc.m_bGamma = 1;
  }
}

} // namespace qv
