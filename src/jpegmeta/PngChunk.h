#pragma once
// A PNG chunk as a segment record, for display only; never written back.
#include <cstdint>

#include "jpegmeta/JpegSegment.h"

namespace qv {

class CPngChunk : public CJpegSegment {
public:
  // A loaded chunk: the whole chunk as stored (length, type, data, CRC).
  CPngChunk(uint32_t type, int64_t length) : CJpegSegment(length) { m_nType = type; }
  // IDAT: only the data length is kept.
  explicit CPngChunk(uint32_t type) { m_nType = type; m_nFlags = SF_NOT_LOADED; }

  static constexpr uint32_t kIDAT = 0x49444154;
  static constexpr uint32_t kIEND = 0x49454E44;

  // Data length of the chunk.
  int64_t DataLength() const { return Has(SF_NOT_LOADED) ? m_nLength : m_nLength - 12; }

  uint32_t m_nType = 0;  // the four type letters, big-endian
  uint32_t m_nCrc = 0;   // as stored
};

} // namespace qv
