#include "image/ReplacingFile.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppHelpers.h"

namespace qv {

// ---- CReplacingFile ----

CReplacingFile::~CReplacingFile() { Drop(); }

bool CReplacingFile::Open(const std::string& target) {
  Drop();
  m_target = target;
  // The temporary family's name, so a killed save is swept up later.
  m_tempPath = DirectoryOfPath(target) + "/" + kTempFilePrefix + "XXXXXX" + kTempFileSuffix;
  const int fd = mkstemps(m_tempPath.data(), static_cast<int>(sizeof kTempFileSuffix - 1));
  if (fd < 0) {
    m_tempPath.clear();
    return false;
  }
  fchmod(fd, 0644);
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

std::string DirectoryOfPath(const std::string& path) {
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
