#pragma once
// BMP and raw RGB/FAL output (the CImageDoc members WriteBmpFile and
// WriteRgbFile), their description text, and the output file that every
// image writer here uses: written beside its target, then renamed over it.
#include <cstdint>
#include <cstdio>
#include <string>

namespace qv {

inline constexpr const char kSaveBmpOperation[] = "SaveBmpFile";
inline constexpr const char kSaveRgbOperation[] = "SaveRgbFile";
inline constexpr const char kCantOpenFile[] = "Can't open the file.";  // string 351
// Writing or replacing the target failed after it was opened (a full
// disk, a vanished folder).
inline constexpr const char kCantWriteFile[] = "Can't write the file.";

// A new file in the target's folder that replaces the target only on
// Commit; dropped (unlinked) otherwise, so a failed save never leaves a
// partial file or touches an existing one.
class CReplacingFile {
public:
  CReplacingFile() = default;
  ~CReplacingFile();
  CReplacingFile(const CReplacingFile&) = delete;
  CReplacingFile& operator=(const CReplacingFile&) = delete;

  // False when the target's folder cannot take a new file.
  bool Open(const std::string& target);
  FILE* File() const { return m_file; }
  bool Write(const void* data, size_t size);
  // Flushes, closes and renames over the target; false on any error, and
  // the temporary is removed then.
  bool Commit();

private:
  void Drop();

  std::string m_target;
  std::string m_tempPath;
  FILE* m_file = nullptr;
  bool m_failed = false;
};

// Folder part of a path ("." without a slash, "/" for the root).
std::string DirectoryOfPath(const std::string& path);
// Size of a file in bytes, 0 when it cannot be examined.
int64_t FileSizeOf(const std::string& path);

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
