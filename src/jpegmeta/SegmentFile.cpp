#include "jpegmeta/SegmentFile.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

CSegmentFile::CSegmentFile(size_t capacity)
    : m_pBuffer(new uint8_t[capacity > 0 ? capacity : 1]), m_pView(m_pBuffer.get()),
      m_nCapacity(capacity > 0 ? capacity : 1) {}

CSegmentFile::~CSegmentFile() { Close(); }

bool CSegmentFile::Open(const std::string& path) {
  Close();
  // Without O_NONBLOCK the open itself waits for a pipe's writer; only a
  // regular file has an end the parsers can rely on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return false;
  }
  m_pFile = f;
  m_nFileLength = static_cast<int64_t>(st.st_size);
  return true;
}

void CSegmentFile::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  static const uint8_t kEmpty = 0;
  m_pMemory = data ? data : &kEmpty;
  m_nFileLength = data ? static_cast<int64_t>(size) : 0;
  // The whole block is one buffer that never refills.
  m_pView = m_pMemory;
  m_nValid = static_cast<size_t>(m_nFileLength);
  m_nSourcePos = m_nFileLength;
  m_bLastRefill = true;
}

void CSegmentFile::Close() {
  if (m_pFile) std::fclose(m_pFile);
  m_pFile = nullptr;
  m_pMemory = nullptr;
  m_nFileLength = 0;
  m_nReadPos = m_nValid = 0;
  m_nSourcePos = 0;
  m_bLastRefill = false;
  m_pView = m_pBuffer.get();
}

bool CSegmentFile::Refill() {
  m_nReadPos = m_nValid = 0;
  if (m_bLastRefill || !IsOpen()) return false;
  if (!m_pFile) return false;  // memory is delivered whole by OpenMemory
  const size_t got = std::fread(m_pBuffer.get(), 1, m_nCapacity, m_pFile);
  if (got < m_nCapacity) m_bLastRefill = true;
  m_nValid = got;
  m_nSourcePos += static_cast<int64_t>(got);
  return got > 0;
}

int CSegmentFile::GetByte() {
  if (m_nReadPos >= m_nValid && !Refill()) return -1;
  return m_pView[m_nReadPos++];
}

int64_t CSegmentFile::Read(uint8_t* dest, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    if (m_nReadPos >= m_nValid && !Refill()) break;
    const size_t n = static_cast<size_t>(std::min<int64_t>(count - done, static_cast<int64_t>(m_nValid - m_nReadPos)));
    if (dest) std::memcpy(dest + done, m_pView + m_nReadPos, n);
    m_nReadPos += n;
    done += static_cast<int64_t>(n);
  }
  return done;
}

int64_t CSegmentFile::Skip(int64_t count) {
  if (count <= 0) return 0;
  const int64_t buffered = static_cast<int64_t>(m_nValid - m_nReadPos);
  if (count <= buffered) {
    m_nReadPos += static_cast<size_t>(count);
    return count;
  }
  // Past the buffer: seek, but never beyond the end, so the count is honest.
  const int64_t want = std::min(count - buffered, std::max<int64_t>(0, m_nFileLength - m_nSourcePos));
  if (m_pFile && want > 0 && fseeko(m_pFile, static_cast<off_t>(want), SEEK_CUR) != 0) {
    m_nReadPos = m_nValid;
    return buffered;
  }
  m_nReadPos = m_nValid = 0;
  m_nSourcePos += want;
  return buffered + want;
}

int64_t CSegmentFile::FindByte(uint8_t value) {
  int64_t passed = 0;
  for (;;) {
    if (m_nReadPos >= m_nValid && !Refill()) return -1;
    const uint8_t* start = m_pView + m_nReadPos;
    const size_t avail = m_nValid - m_nReadPos;
    const void* hit = std::memchr(start, value, avail);
    if (hit) {
      const size_t n = static_cast<size_t>(static_cast<const uint8_t*>(hit) - start);
      m_nReadPos += n;
      return passed + static_cast<int64_t>(n);
    }
    m_nReadPos = m_nValid;
    passed += static_cast<int64_t>(avail);
  }
}

} // namespace qv
