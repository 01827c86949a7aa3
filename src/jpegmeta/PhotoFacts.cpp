#include "jpegmeta/PhotoFacts.h"

#include <cstring>
#include <string>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/SegmentFile.h"
#include "jpegmeta/SegmentList.h"

namespace qv {
namespace {

constexpr uint32_t kTypeAscii = 2;
constexpr uint32_t kTypeShort = 3;

// Callers may hand over the APP1 payload as well as the bare TIFF block.
void SkipExifHeader(const uint8_t*& block, size_t& size) {
  if (block && size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
    block += 6;
    size -= 6;
  }
}

// The reader lists entries of all IFDs in one list and says not which IFD
// an entry came from. An entry whose value fits in 4 bytes keeps it in its
// own value field, so its position tells: IFD0 is found from the header
// through the reader itself (same bounds checks, same byte order).
bool InIfd0(const CExifReader& reader, const CExifEntry& entry) {
  if (reader.ValueSize(entry) > 4 || entry.m_nValueOffset < 8) return false;
  CExifEntry probe;
  probe.m_pBase = entry.m_pBase;
  probe.m_nValueOffset = 4;
  const uint64_t ifd0 = reader.ReadLong(probe);
  if (ifd0 > UINT32_MAX - 2) return false;
  probe.m_nValueOffset = static_cast<uint32_t>(ifd0);
  const uint64_t count = reader.ReadShort(probe);
  const uint64_t first = ifd0 + 2;
  const uint64_t at = uint64_t{entry.m_nValueOffset} - 8;
  return at >= first && at < first + 12 * count && (at - first) % 12 == 0;
}

int Digits(const char* p, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return -1;
    v = v * 10 + (p[i] - '0');
  }
  return v;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "YYYY:MM:DD HH:MM:SS"
bool ParseExifDate(const std::string& text, std::time_t& when) {
  if (text.size() < 19) return false;
  for (size_t i = 19; i < text.size(); ++i)
    if (text[i] != ' ') return false;
  const char* s = text.c_str();
  if (s[4] != ':' || s[7] != ':' || s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
  const int year = Digits(s, 4), month = Digits(s + 5, 2), day = Digits(s + 8, 2);
  const int hour = Digits(s + 11, 2), minute = Digits(s + 14, 2), second = Digits(s + 17, 2);
  if (year < 1970 || year > 2100 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int days = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > days || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  when = t;
  return true;
}

bool DateOfTag(const CExifReader& reader, uint16_t tag, std::time_t& when) {
  const CExifEntry* e = reader.FindTag(tag);
  return e && e->m_nType == kTypeAscii && ParseExifDate(reader.ReadText(*e), when);
}

} // namespace

int ExifOrientation(const CExifReader& reader) {
  for (const CExifEntry& e : reader.Entries()) {
    if (e.m_nTag != photo_tags::TAG_ORIENTATION || !InIfd0(reader, e)) continue;
    if (e.m_nType != kTypeShort || e.m_nCount != 1) return 1;
    const int v = reader.ReadShort(e);
    return v >= 1 && v <= 8 ? v : 1;
  }
  return 1;
}

int ExifOrientation(const uint8_t* block, size_t size) {
  SkipExifHeader(block, size);
  CExifReader reader;
  if (!reader.Parse(block, size)) return 1;
  return ExifOrientation(reader);
}

bool ExifShootingTime(const CExifReader& reader, std::time_t& when) {
  return DateOfTag(reader, TAG_DATE_TIME_ORIGINAL, when) || DateOfTag(reader, TAG_DATE_TIME, when);
}

bool ExifShootingTime(const uint8_t* block, size_t size, std::time_t& when) {
  SkipExifHeader(block, size);
  CExifReader reader;
  if (!reader.Parse(block, size)) return false;
  return ExifShootingTime(reader, when);
}

bool FindExifApp1(const uint8_t* jpeg, size_t size, const uint8_t*& tiff, size_t& tiffSize) {
  if (!jpeg || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
  CSegmentFile source;
  source.OpenMemory(jpeg, size);
  SegmentList list;
  ParseJpeg(source, list);
  const CJpegSegment* app1 = FirstApp1(list);
  const uint8_t* block = nullptr;
  size_t blockSize = 0;
  if (!app1 || !ExifBlockOf(*app1, block, blockSize)) return false;
  // The list holds copies; hand out the caller's own bytes.
  const uint64_t at = static_cast<uint64_t>(app1->m_nOffset) + static_cast<uint64_t>(block - app1->m_pData);
  if (app1->m_nOffset < 0 || at > size || blockSize > size - at) return false;
  tiff = jpeg + at;
  tiffSize = blockSize;
  return true;
}

} // namespace qv
