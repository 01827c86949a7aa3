#include "app/AppHelpers.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/MessageSink.h"

namespace qv {

bool MakeTempFileName(const std::string& dir, const std::string& prefix, const char* suffix,
                      std::string& out) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", std::rand() % 10000);
    std::string name = dir;
    if (name.empty() || name.back() != '/') name += '/';
    name += prefix;
    name += number;
    if (suffix) name += suffix;
    if (name.size() >= 260) return false;
    int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      out = name;
      return true;
    }
  }
  return false;
}

std::string FileErrorText(const std::string& operation, const std::string& path, const std::string& message) {
  return operation + ":" + message + "\n" + path;
}

void ShowFileError(IMessageSink& sink, const std::string& operation, const std::string& path,
                   const std::string& message) {
  sink.MessageBox(FileErrorText(operation, path, message), "Quorvex", MB_OK | MB_ICONSTOP);
}

ByteCountText FormatByteCount(uint32_t n) {
  char buf[64];
  ByteCountText t;
  const long v = static_cast<long>(n);
  if (n < 1000)
    std::snprintf(buf, sizeof buf, "%ld", v);
  else if (n < 1000000)
    std::snprintf(buf, sizeof buf, "%ld,%03ld", v / 1000, v % 1000);
  else
    std::snprintf(buf, sizeof buf, "%ld,%03ld,%03ld", v / 1000000, (v / 1000) % 1000, v % 1000);
  t.grouped = buf;

  // Tenths come from 5n kept in 31 bits: exact below 2^31 / 5.
  const uint32_t five = (5u * n) & 0x7FFFFFFFu;
  if (n < 1024)
    std::snprintf(buf, sizeof buf, "%ld", v);
  else if (n < 1048576)
    std::snprintf(buf, sizeof buf, "%ld.%ldK", v / 1024, static_cast<long>((five / 512) % 10));
  else
    std::snprintf(buf, sizeof buf, "%ld.%ldM", v / 1048576, static_cast<long>((five / 524288) % 10));
  t.shortText = buf;
  return t;
}

std::string EstimateQuality(uint32_t tableSum) {
  // Sums above 8-bit tables' maximum would wrap into nonsense like "720.0";
  // they are at least as coarse as all-255 tables.
  if (tableSum > 16320u) tableSum = 16320u;
  const uint32_t b = 16320000u - 1000u * tableSum;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%d", static_cast<int>(b / 162560u), static_cast<int>((b / 16256u) % 10u));
  return buf;
}

bool SameFileOnDisk(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsRegularFile(const std::string& path, std::string* reason) {
  struct stat st {};
  const char* why = nullptr;
  if (::stat(path.c_str(), &st) != 0)
    why = std::strerror(errno);
  else if (S_ISDIR(st.st_mode))
    why = "is a folder";
  else if (!S_ISREG(st.st_mode))
    why = "not a regular file";
  if (why && reason) *reason = why;
  return why == nullptr;
}

bool IsSpecialFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool IsTempFileName(const std::string& name) {
  const size_t head = sizeof kTempFilePrefix - 1, tail = sizeof kTempFileSuffix - 1;
  if (name.size() <= head + tail || name.compare(0, head, kTempFilePrefix) != 0 ||
      name.compare(name.size() - tail, tail, kTempFileSuffix) != 0)
    return false;
  const size_t n = name.size() - head - tail;
  if (n != 4 && n != 6) return false;
  for (size_t i = head; i < head + n; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!(digit || (n == 6 && letter))) return false;
  }
  return true;
}

int RemoveStaleTempFiles(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  const time_t now = std::time(nullptr);
  const std::string base = !dir.empty() && dir.back() == '/' ? dir : dir + "/";
  int removed = 0;
  while (dirent* e = ::readdir(d)) {
    if (!IsTempFileName(e->d_name)) continue;
    const std::string path = base + e->d_name;
    struct stat st {};
    // lstat: a link of that name is not ours to follow.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (now - st.st_mtime < kStaleTempSeconds) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}


bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int MakeDirectoryPath(const std::string& path) {
  const std::string p = path.substr(0, 260);
  std::string prefix;
  for (size_t i = 0; i <= p.size(); ++i) {
    const bool end = i == p.size();
    if (end || (p[i] == '/' && i > 0)) {
      const size_t lastSlash = prefix.find_last_of('/');
      const bool componentEmpty = prefix.empty() || lastSlash == prefix.size() - 1;
      if (!componentEmpty && !DirectoryExists(prefix)) {
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return -1;
      }
    }
    if (!end) prefix += p[i];
  }
  return 1;
}

} // namespace qv
