#include "app/ReplacingFile.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppHelpers.h"

namespace qv {

namespace {

// Read once: umask() can only be read by setting it, which parallel saves
// must not race on.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

} // namespace

// ---- CReplacingFile ----

CReplacingFile::~CReplacingFile() { Drop(); }

bool CReplacingFile::Open(const std::string& target) {
  Drop();
  m_target = target;
  // The temporary family's name, so a killed save is swept up later.
  m_tempPath = DirectoryOf(target) + "/" + kTempFilePrefix + "XXXXXX" + kTempFileSuffix;
  const int fd = mkstemps(m_tempPath.data(), static_cast<int>(sizeof kTempFileSuffix - 1));
  if (fd < 0) {
    m_tempPath.clear();
    return false;
  }
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    mode = st.st_mode & 07777;
  } else {
    mode = 0666 & ~ProcessUmask();
  }
  (void)::fchmod(fd, mode);
  m_file = fdopen(fd, "wb");
  if (!m_file) {
    ::close(fd);
    unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return false;
  }
  m_failed = false;
  return true;
}

bool CReplacingFile::Write(const void* data, size_t size) {
  if (!m_file || m_failed) return false;
  if (size > 0 && std::fwrite(data, 1, size, m_file) != size) m_failed = true;
  return !m_failed;
}

bool CReplacingFile::Commit() {
  if (!m_file) return false;
  bool ok = !m_failed && std::fflush(m_file) == 0 && !std::ferror(m_file);
  if (std::fclose(m_file) != 0) ok = false;
  m_file = nullptr;
  if (ok && std::rename(m_tempPath.c_str(), m_target.c_str()) != 0) ok = false;
  if (ok) m_tempPath.clear();
  Drop();
  return ok;
}

void CReplacingFile::Drop() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
  m_tempPath.clear();
}

bool ReplaceFileContent(const std::string& path, const void* data, size_t size) {
  CReplacingFile out;
  return out.Open(path) && out.Write(data, size) && out.Commit();
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int64_t FileSizeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

} // namespace qv
