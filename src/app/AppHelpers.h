#pragma once
// Small operations shared across the program.
#include <cstdint>
#include <string>

namespace qv {

class IMessageSink;

// Creates an empty file dir/prefixNNNN[suffix] exclusively and returns its
// name in `out`. Fails for names of 260 characters or more and after 100
// taken names.
bool MakeTempFileName(const std::string& dir, const std::string& prefix, const char* suffix,
                      std::string& out);

inline constexpr const char kCantOpenFile[] = "Can't open the file.";  // string 351

// The file-error box: "%s:%s\n%s" with operation, message and path.
void ShowFileError(IMessageSink& sink, const std::string& operation, const std::string& path,
                   const std::string& message);
std::string FileErrorText(const std::string& operation, const std::string& path, const std::string& message);

struct ByteCountText {
  std::string grouped;  // "1,048,576"
  std::string shortText;  // "1.0M"
};
ByteCountText FormatByteCount(uint32_t n);

// Quality estimate "%d.%d" of a quantization table's sum of 64 entries.
std::string EstimateQuality(uint32_t tableSum);

// Whether a path names a regular file, found with stat() so that nothing is
// opened: opening a pipe blocks, and a device may never end. Otherwise sets
// *reason (when given) to the system's text for a failed stat, "is a folder",
// or "not a regular file".
bool IsRegularFile(const std::string& path, std::string* reason);
// Whether both paths exist and are one file or folder on disk (device and
// inode), whatever their spelling or links.
bool SameFileOnDisk(const std::string& a, const std::string& b);
// Whether a path names something that exists but is neither a regular file
// nor a folder: a pipe, device or socket. Missing files and folders fail
// any open at once, so callers can leave them to their usual messages.
bool IsSpecialFile(const std::string& path);

// The program's temporary files: ".quorvex-", then 4 digits (MakeTempFileName)
// or 6 letters and digits (mkstemps), then ".tmp". Hidden and without an
// image extension, so no photo tool lists them, and one rule finds them all.
inline constexpr char kTempFilePrefix[] = ".quorvex-";
inline constexpr char kTempFileSuffix[] = ".tmp";
// Whether a bare file name (no folder) is one of them.
bool IsTempFileName(const std::string& name);
// Deletes the regular files of `dir` named as above whose modification time
// is at least kStaleTempSeconds old: the leftovers of a killed run. Younger
// ones may still be written by another instance. Returns how many went.
constexpr int kStaleTempSeconds = 600;
int RemoveStaleTempFiles(const std::string& dir);

// Whether a path names a folder (links followed).
bool DirectoryExists(const std::string& path);
// Creates every missing folder of the path (its first 260 characters);
// 1, or -1 when one cannot be made.
int MakeDirectoryPath(const std::string& path);

} // namespace qv
