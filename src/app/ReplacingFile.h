#pragma once
// The one way the program replaces a file: written beside its target under
// the program's hidden temporary name, then renamed over it. Every writer
// (images, segment write-back, the DQT and settings files) goes through it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

struct iovec;

namespace qv {

// A new file in the target's folder that replaces the target only on
// Commit; dropped (unlinked) otherwise, so a failed save never leaves a
// partial file or touches an existing one. A replaced file keeps its
// permissions; a new one gets those the umask allows.
class CReplacingFile {
public:
  CReplacingFile() = default;
  ~CReplacingFile();
  CReplacingFile(const CReplacingFile&) = delete;
  CReplacingFile& operator=(const CReplacingFile&) = delete;

  // False when the target's folder cannot take a new file.
  bool Open(const std::string& target);
  FILE* File() const { return m_file; }
  // The temporary's path while open.
  const std::string& TempPath() const { return m_tempPath; }
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

// Replaces `path` by `size` bytes at `data`; false (the old file kept) on
// any error.
bool ReplaceFileContent(const std::string& path, const void* data, size_t size);

// The same without a stream: one write of the whole content. `target` is
// the target's stat when the caller already has it, null when it does not
// exist.
bool ReplaceFileContent(const std::string& path, const void* data, size_t size, const struct stat* target);
// The same gathered from `count` pieces, written with as few calls as the
// system allows.
bool ReplaceFileContent(const std::string& path, const struct iovec* parts, size_t count, const struct stat* target);

// Folder part of a path ("." without a slash, "/" for the root).
std::string DirectoryOf(const std::string& path);
// Size of a file in bytes, 0 when it cannot be examined.
int64_t FileSizeOf(const std::string& path);

} // namespace qv
