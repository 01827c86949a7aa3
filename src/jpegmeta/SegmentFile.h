#pragma once
// Buffered sequential reader over a file (or a block of memory) for the
// segment and chunk parsers. Positions are 64-bit; the source is only ever
// read forward.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace qv {

class CSegmentFile {
public:
  static constexpr size_t kDefaultCapacity = 65536;

  explicit CSegmentFile(size_t capacity = kDefaultCapacity);
  ~CSegmentFile();
  CSegmentFile(const CSegmentFile&) = delete;
  CSegmentFile& operator=(const CSegmentFile&) = delete;

  // Opens a regular file for reading; false when it cannot be opened or is
  // a folder, pipe, device or socket (refused without waiting).
  bool Open(const std::string& path);
  // Reads from the caller's memory instead of a file, without copying it;
  // the bytes must live until Close.
  void OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return m_pFile != nullptr || m_pMemory != nullptr; }

  // Next byte 0-255, or -1 at the end.
  int GetByte();
  // Delivers up to count bytes (fewer at the end); a null destination passes
  // over them.
  int64_t Read(uint8_t* dest, int64_t count);
  // Passes over up to count bytes, seeking past what is not buffered.
  int64_t Skip(int64_t count);
  // Bytes passed over before the next byte of that value (left unread), or -1
  // when the end comes first.
  int64_t FindByte(uint8_t value);

  int64_t Length() const { return m_nFileLength; }
  // Offset of the next byte to be delivered.
  int64_t Position() const { return m_nSourcePos - static_cast<int64_t>(m_nValid - m_nReadPos); }
  int64_t Remaining() const { return m_nFileLength - Position(); }
  size_t Capacity() const { return m_nCapacity; }

private:
  bool Refill();

  // Fields in the order of the reader's model.
  int64_t m_nFileLength = 0;
  FILE* m_pFile = nullptr;
  std::unique_ptr<uint8_t[]> m_pBuffer;
  // What the reads deliver from: the buffer, or the caller's memory whole.
  const uint8_t* m_pView = nullptr;
  size_t m_nReadPos = 0;
  size_t m_nValid = 0;
  size_t m_nCapacity;

  // Source offset just after the buffered bytes.
  int64_t m_nSourcePos = 0;
  // A refill came back short: the next exhaustion is the end.
  bool m_bLastRefill = false;
  const uint8_t* m_pMemory = nullptr;
};

} // namespace qv
