#pragma once
// PNG output (the CImageDoc member WritePng): the five save modes, and the
// description of a written image.
#include <string>

namespace qv {

inline constexpr const char kSavePngOperation[] = "SavePngFile";
inline constexpr const char kPngCannotOpen[] = "Cannot open";
inline constexpr const char kPngErrorHandler[] = "Error handler";
inline constexpr const char kPngCantCreate[] = "Can't create the PNG writer.";  // string 352
inline constexpr const char kPngBadGamma[] = "The gamma value cannot be written to a PNG file.";
inline constexpr const char kPngBadMode[] = "Unknown PNG save mode.";

// Save modes 0..4 and their labels (strings 289 to 293).
constexpr int kPngModeCount = 5;
extern const char* const kPngModeLabels[kPngModeCount];

// PNG colour type and bit depth of a save mode; false for a mode outside
// 0..4.
bool PngModeFormat(int mode, int& colorType, int& bitDepth);

// What DescribePng tells about a written image.
struct PngDescription {
  int width = 0;
  int height = 0;
  bool interlaced = false;
  int colorType = 0;
  int bitDepth = 8;
  bool transparent = false;  // the document's transparent flag
  bool gamma = false;        // the document's gamma-present flag
};
// "%dx%d ", "Int." when interlaced, "PNG", the colour type, " %dbit)",
// " +T", " +G". *grayscale (optional) is set for types 0 and 4, else
// cleared.
std::string DescribePng(const PngDescription& d, int* grayscale = nullptr);

// The gAMA value of a gamma, in libpng's fixed point (x 100000), or 0 when
// the value is one libpng cannot write (zero, negative, not finite, or
// outside 0.00016..6250).
long PngFixedGamma(double gamma);

} // namespace qv
