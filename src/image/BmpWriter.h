#pragma once
// BMP and raw RGB/FAL output (the CImageDoc members WriteBmpFile and
// WriteRgbFile) and their description text.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/AppHelpers.h"
#include "app/ReplacingFile.h"

namespace qv {

inline constexpr const char kSaveBmpOperation[] = "SaveBmpFile";
inline constexpr const char kSaveRgbOperation[] = "SaveRgbFile";
// Writing or replacing the target failed after it was opened (a full
// disk, a vanished folder).
inline constexpr const char kCantWriteFile[] = "Can't write the file.";



// Where WriteRgbFile puts its two files for a requested path. The extension
// is looked for in the file name only. The header goes to the path with its
// extension replaced by ".fal" (appended without one); the raw data goes to
// the path itself, with ".rgb" appended without an extension, and to ".rgb"
// instead of ".fal" when the path names the header (else the raw data would
// overwrite it).
struct RgbFalPaths {
  std::string fal;
  std::string rgb;
};
RgbFalPaths RgbFalPathsFor(const std::string& path);
// The three lines of the FAL header.
std::string FalHeaderText(int width, int height);

// The description of a BMP header: a 12-byte OS/2 core header or a
// Windows info header of at least 40 bytes, little-endian as in the file.
std::string DescribeBmp(const uint8_t* header, size_t size);

} // namespace qv
