#pragma once
// The PNG save options dialog without its window: what it opens with,
// taken from the document and the settings, and what OK writes back.
#include <cstdint>
#include <string>

namespace qv {

class CImageDoc;

// The dialog's texts (resource 149; strings 289 to 293).
inline constexpr const char kPngSaveCaption[] = "PNG 保存設定";
inline constexpr const char kPngSaveGroup[] = "PNG 保存設定";
inline constexpr const char kPngFormatLabel[] = "フォーマット/色数";
inline constexpr const char kPngInterlaceBox[] = "インターレース(&I)";
inline constexpr const char kPngTransparentBox[] = "透過色の書き出し(&T)";
inline constexpr const char kPngColorButton[] = "透過色(&C)...";
inline constexpr const char kPngGammaBox[] = "ガンマ補正値の書き出し(&G)";
inline constexpr const char kPngGammaLabel[] = "埋め込みガンマ補正値(&D)";
inline constexpr const char kPngHelpButton[] = "&Help";
constexpr int kPngSaveHelpTopic = 1311;
constexpr int kPngSaveModeCount = 5;
// Item i of the format list is PNG save mode i.
extern const char* const kPngSaveModeLabels[kPngSaveModeCount];

struct PngSaveChoices {
  int mode = 0;
  bool interlace = false;
  bool transparent = false;
  uint8_t color[3]{};  // blue, green, red: the document's layout
  bool writeGamma = false;
  std::string gammaText;
};

// The list item for the document: its greyscale flag, colour table and
// bits per sample decide.
int OpeningPngMode(const CImageDoc& doc);
PngSaveChoices OpeningPngChoices(const CImageDoc& doc);
// OK: the choices into the document's PNG fields and the interlace
// setting; for a clipboard image also into the application's PNG defaults.
// A gamma text that is no number stores 0.
void ApplyPngChoices(CImageDoc& doc, const PngSaveChoices& choices);

// Windows' COLORREF: red in the low byte, then green, then blue.
int ColorRefOf(const uint8_t bgr[3]);

} // namespace qv
