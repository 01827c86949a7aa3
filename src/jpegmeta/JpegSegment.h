#pragma once
// One record of a segment list: a marker segment or standalone marker held in
// memory, or a run of source bytes (scan data) left in the file.
#include <cstdint>
#include <list>
#include <memory>

namespace qv {

enum SegmentFlags : uint16_t {
  SF_SOURCE = 1,      // the bytes are the next length bytes of the source
  SF_INLINE = 2,      // data lives in the record's own 8 bytes
  SF_NOT_LOADED = 4,  // data was never read (scan data runs, PNG IDAT)
  SF_DROP = 8,        // skipped on write
};

class CJpegSegment {
public:
  // A record of `length` bytes held in memory (inline up to 8 bytes), filled
  // from `initial` when given.
  explicit CJpegSegment(int64_t length, const uint8_t* initial = nullptr);
  // A record whose bytes stay in the source: no data.
  static std::unique_ptr<CJpegSegment> NotLoaded(uint16_t flags, int64_t offset, int64_t length);
  // A record whose data are the caller's bytes, neither copied nor freed:
  // they must outlive the record and are not to be written through it.
  static std::unique_ptr<CJpegSegment> Borrowed(const uint8_t* bytes, int64_t length);
  virtual ~CJpegSegment() = default;
  CJpegSegment(const CJpegSegment&) = delete;
  CJpegSegment& operator=(const CJpegSegment&) = delete;

  bool Has(uint16_t flag) const { return (m_nFlags & flag) != 0; }
  // Marker code of a record holding 0xFF and a code; 0 for anything else.
  int MarkerCode() const;
  // The big-endian 16-bit length field of a marker segment, or -1 when the
  // record holds no such field.
  int LengthField() const;

  uint16_t m_nFlags = 0;
  int64_t m_nLength = 0;
  uint8_t* m_pData = nullptr;
  int64_t m_nOffset = 0;
  uint8_t m_inline[8]{};

protected:
  CJpegSegment() = default;

private:
  std::unique_ptr<uint8_t[]> m_heap;
};

// The records of one file in file order; the list owns them.
using SegmentList = std::list<std::unique_ptr<CJpegSegment>>;

} // namespace qv
