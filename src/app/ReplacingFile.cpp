#include "app/ReplacingFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <climits>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

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

#ifndef IOV_MAX
#define IOV_MAX 1024
#endif

// Writes every piece in order: IOV_MAX pieces a call at most, a short write
// resumed where it stopped.
bool WriteAll(int fd, const iovec* parts, size_t count) {
  std::vector<iovec> rest;  // made only once a write came back short
  bool copied = false;
  const iovec* at = parts;
  size_t left = count;
  while (left > 0) {
    const int n = static_cast<int>(left < IOV_MAX ? left : IOV_MAX);
    size_t want = 0;
    for (int i = 0; i < n; ++i) want += at[i].iov_len;
    if (want == 0) {
      at += n;
      left -= static_cast<size_t>(n);
      continue;
    }
    const ssize_t done = ::writev(fd, at, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    size_t skip = static_cast<size_t>(done);
    while (left > 0 && skip >= at->iov_len) {
      skip -= at->iov_len;
      ++at;
      --left;
    }
    if (skip > 0) {
      // The caller's pieces stay as they were: the rest goes on from a copy.
      if (!copied) {
        rest.assign(at, at + left);
        at = rest.data();
        copied = true;
      }
      iovec& first = rest[static_cast<size_t>(at - rest.data())];
      first.iov_base = static_cast<char*>(first.iov_base) + skip;
      first.iov_len -= skip;
    }
  }
  return true;
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
  struct stat st {};
  return ReplaceFileContent(path, data, size, ::stat(path.c_str(), &st) == 0 ? &st : nullptr);
}

bool ReplaceFileContent(const std::string& path, const void* data, size_t size, const struct stat* target) {
  iovec whole{const_cast<void*>(data), size};
  return ReplaceFileContent(path, &whole, size > 0 ? 1 : 0, target);
}

bool ReplaceFileContent(const std::string& path, const iovec* parts, size_t count, const struct stat* target) {
  std::string temp = DirectoryOf(path) + "/" + kTempFilePrefix + "XXXXXX" + kTempFileSuffix;
  const bool keepMode = target && S_ISREG(target->st_mode);
  int fd = -1;
  if (keepMode) {
    fd = mkstemps(temp.data(), static_cast<int>(sizeof kTempFileSuffix - 1));
    if (fd >= 0) (void)::fchmod(fd, target->st_mode & 07777);
  } else {
    // A new file gets the umask's mode from the open itself, saving the chmod.
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 random(std::random_device{}() ^ static_cast<uint64_t>(::getpid()));
    static std::mutex randomLock;
    const size_t at = temp.size() - (sizeof kTempFileSuffix - 1) - 6;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
      {
        std::lock_guard<std::mutex> lock(randomLock);
        uint64_t bits = random();
        for (size_t i = 0; i < 6; ++i, bits /= 62) temp[at + i] = kLetters[bits % 62];
      }
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, parts, count);
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
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
