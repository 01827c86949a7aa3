#include "jpegmeta/ExifReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qv {
namespace {

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>((p[1] << 8) | p[0]); }
uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t Le32(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

const uint8_t kTypeSizes[16] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 0, 0, 0};

} // namespace

uint32_t CExifReader::TypeSize(uint32_t type) { return type < 16 ? kTypeSizes[type] : 0; }

// The one place that turns an offset into a pointer: count bytes at offset,
// or null when they do not all lie in the block.
const uint8_t* CExifReader::At(uint64_t offset, uint64_t count) const {
  if (!m_pBlock || offset > m_nSize || count > m_nSize - offset) return nullptr;
  return m_pBlock + offset;
}

// TIFF header (block offsets):
//   0  2  "MM" big-endian / "II" little-endian
//   2  2  42
//   4  4  offset of IFD0
int CExifReader::Parse(const uint8_t* block, size_t size) {
  m_entries.clear();
  m_ifds.clear();
  m_pBlock = block;
  m_nSize = block ? size : 0;
  if (m_nSize < 8) return 0;
  const uint16_t mark = Be16(block);
  if (mark == 0x4D4D) {
    m_pfnRead16 = Be16;
    m_pfnRead32 = Be32;
  } else if (mark == 0x4949) {
    m_pfnRead16 = Le16;
    m_pfnRead32 = Le32;
  } else {
    return 0;
  }
  if (m_pfnRead16(block + 2) != 42) return 0;
  const uint32_t ifd0 = m_pfnRead32(block + 4);
  if (ifd0 > m_nSize - 4) return 0;
  int64_t result = ReadIfdChain(ifd0);
  if (result == 0) return 0;
  // Pointers met in IFDs read by this very walk are followed too; of a
  // SubIFDs array only the first offset.
  for (size_t i = 0; i < m_entries.size(); ++i) {
    const uint16_t tag = m_entries[i].m_nTag;
    if (tag != TAG_SUB_IFDS && tag != TAG_EXIF_IFD && tag != TAG_INTEROP_IFD) continue;
    const CExifEntry pointer = m_entries[i];
    result += ReadIfdChain(ReadLong(pointer));
  }
  return static_cast<int>(std::min<int64_t>(result, INT_MAX));
}

// Marks [begin, end) as read; false when it meets an IFD read before, which
// is how chains and pointers that lead back are ended.
bool CExifReader::ClaimIfd(uint64_t begin, uint64_t end) {
  auto next = m_ifds.lower_bound(begin);
  if (next != m_ifds.end() && next->first < end) return false;
  if (next != m_ifds.begin() && std::prev(next)->second > begin) return false;
  m_ifds.emplace(begin, end);
  return true;
}

// IFD:    0  2       entry count n
//         2  12 x n  entries
//         2+12n  4   offset of the next IFD, 0 ends the chain
// Entry:  0 tag (2), 2 type (2), 4 count (4), 8 value or value offset (4)
// Returns the entry count of the last IFD read, 0 when an IFD of the chain
// does not fit (entries already listed stay).
uint32_t CExifReader::ReadIfdChain(uint64_t offset) {
  const uint64_t limit = m_nSize - 4;  // room for the next-IFD offset
  uint32_t lastCount = 0;
  for (;;) {
    const uint8_t* countBytes = At(offset, 2);
    if (!countBytes) return 0;
    const uint32_t n = m_pfnRead16(countBytes);
    uint64_t pos = offset + 2;
    if (pos + 12ull * n > limit) return 0;
    if (!ClaimIfd(offset, pos + 12ull * n + 4)) return lastCount;
    for (uint32_t i = 0; i < n; ++i, pos += 12) {
      const uint8_t* e = m_pBlock + pos;
      CExifEntry entry;
      entry.m_nTag = m_pfnRead16(e);
      entry.m_nType = m_pfnRead16(e + 2);
      entry.m_nCount = m_pfnRead32(e + 4);
      entry.m_pBase = m_pBlock;
      const uint64_t bytes = uint64_t{TypeSize(entry.m_nType)} * entry.m_nCount;
      if (bytes > 4) {
        entry.m_nValueOffset = m_pfnRead32(e + 8);
        if (!At(entry.m_nValueOffset, bytes)) continue;  // value outside the block: entry skipped
      } else {
        entry.m_nValueOffset = static_cast<uint32_t>(pos + 8);
      }
      m_entries.push_back(entry);
    }
    lastCount = n;
    const uint32_t next = m_pfnRead32(m_pBlock + pos);
    if (next == 0) return n;
    offset = next;
  }
}

const CExifEntry* CExifReader::FindTag(uint16_t tag) const {
  for (const CExifEntry& e : m_entries)
    if (e.m_nTag == tag) return &e;
  return nullptr;
}

size_t CExifReader::ValueSize(const CExifEntry& entry) const {
  return static_cast<size_t>(uint64_t{TypeSize(entry.m_nType)} * entry.m_nCount);
}

uint16_t CExifReader::ReadShort(const CExifEntry& entry) const {
  const uint8_t* p = At(entry.m_nValueOffset, 2);
  return p ? m_pfnRead16(p) : 0;
}

uint32_t CExifReader::ReadLong(const CExifEntry& entry) const {
  const uint8_t* p = At(entry.m_nValueOffset, 4);
  return p ? m_pfnRead32(p) : 0;
}

double CExifReader::ReadRational(const CExifEntry& entry, uint32_t* numerator, uint32_t* denominator) const {
  const uint8_t* p = At(entry.m_nValueOffset, 8);
  const uint32_t num = p ? m_pfnRead32(p) : 0;
  const uint32_t den = p ? m_pfnRead32(p + 4) : 0;
  if (numerator) *numerator = num;
  if (denominator) *denominator = den;
  return den == 0 ? 0.0 : static_cast<double>(num) / static_cast<double>(den);
}

double CExifReader::ReadSRational(const CExifEntry& entry, int32_t* numerator, int32_t* denominator) const {
  const uint8_t* p = At(entry.m_nValueOffset, 8);
  const int32_t num = p ? static_cast<int32_t>(m_pfnRead32(p)) : 0;
  const int32_t den = p ? static_cast<int32_t>(m_pfnRead32(p + 4)) : 0;
  if (numerator) *numerator = num;
  if (denominator) *denominator = den;
  return den == 0 ? 0.0 : static_cast<double>(num) / static_cast<double>(den);
}

std::string CExifReader::ReadText(const CExifEntry& entry) const {
  const size_t size = ValueSize(entry);
  const uint8_t* p = At(entry.m_nValueOffset, size);
  if (!p) return std::string();
  const void* zero = std::memchr(p, 0, size);
  const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : size;
  return std::string(reinterpret_cast<const char*>(p), n);
}

// UserComment: 8-byte character code ("ASCII\0\0\0", "JIS\0\0\0\0\0",
// "UNICODE\0", or zeros for undefined), then the text.
std::string CExifReader::DecodeUserComment(const CExifEntry& entry, int& code, long& length, bool trim) const {
  length = 0;
  if (entry.m_nCount < 8) return std::string();
  const uint8_t* value = At(entry.m_nValueOffset, entry.m_nCount);
  if (!value) return std::string();
  int found = -1;
  if (value[0] != 0) {
    const void* zero = std::memchr(value, 0, 8);
    const std::string header(reinterpret_cast<const char*>(value),
                             zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - value) : 8);
    if (header == "ASCII") found = 0;
    else if (header == "JIS") found = 1;
    else if (header == "UNICODE") found = 6;
  }
  const uint8_t* text = value + 8;
  int64_t n = int64_t{entry.m_nCount} - 8;
  if (trim && found != 6) {
    int64_t lead = 0;
    while (lead < n && text[lead] == 0x20) ++lead;
    if (lead == n || text[lead] == 0x00) return std::string();
    while (n > 0 && text[n - 1] == 0x20) --n;
  }
  if (n <= 0) return std::string();
  std::string out;
  if (found == 6) {
    // Stored big-endian whatever the TIFF byte order; handed out little-endian.
    const int64_t units = n / 2;
    if (units == 0) return std::string();
    out.resize(static_cast<size_t>(units * 2));
    for (int64_t i = 0; i < units; ++i) {
      out[static_cast<size_t>(2 * i)] = static_cast<char>(text[2 * i + 1]);
      out[static_cast<size_t>(2 * i + 1)] = static_cast<char>(text[2 * i]);
    }
  } else {
    out.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(n));
  }
  code = found;
  length = static_cast<long>(out.size());
  return out;
}

} // namespace qv
