#include "jpegmeta/JpegSegment.h"

#include <cstring>

namespace qv {

CJpegSegment::CJpegSegment(int64_t length, const uint8_t* initial) {
  m_nLength = length > 0 ? length : 0;
  if (m_nLength <= static_cast<int64_t>(sizeof m_inline)) {
    m_pData = m_inline;
    m_nFlags = SF_INLINE;
  } else {
    m_heap.reset(new uint8_t[static_cast<size_t>(m_nLength)]());
    m_pData = m_heap.get();
  }
  if (initial && m_nLength > 0) std::memcpy(m_pData, initial, static_cast<size_t>(m_nLength));
}

std::unique_ptr<CJpegSegment> CJpegSegment::NotLoaded(uint16_t flags, int64_t offset, int64_t length) {
  std::unique_ptr<CJpegSegment> s(new CJpegSegment());
  s->m_nFlags = static_cast<uint16_t>(flags | SF_NOT_LOADED);
  s->m_nOffset = offset;
  s->m_nLength = length;
  return s;
}

std::unique_ptr<CJpegSegment> CJpegSegment::Borrowed(const uint8_t* bytes, int64_t length) {
  std::unique_ptr<CJpegSegment> s(new CJpegSegment());
  s->m_nLength = bytes && length > 0 ? length : 0;
  // m_pData is writable for the records that own their bytes; these are read only.
  s->m_pData = const_cast<uint8_t*>(bytes);
  return s;
}

int CJpegSegment::MarkerCode() const {
  if (!m_pData || Has(SF_NOT_LOADED) || m_nLength < 2 || m_pData[0] != 0xFF) return 0;
  return m_pData[1];
}

int CJpegSegment::LengthField() const {
  if (!m_pData || Has(SF_NOT_LOADED) || m_nLength < 4) return -1;
  return (m_pData[2] << 8) | m_pData[3];
}

} // namespace qv
