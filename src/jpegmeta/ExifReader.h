#pragma once
// Reads the TIFF structure of an Exif block into one flat list of IFD
// entries: IFD0 and its chain, then the IFDs that SubIFDs, Exif and
// Interoperability pointers lead to, in the order they are met. The block
// belongs to the caller and is never copied or read outside its bounds.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qv {

enum ExifTag : uint16_t {
  TAG_INTEROP_INDEX = 1,
  TAG_INTEROP_VERSION = 2,
  TAG_MAKE = 271,
  TAG_MODEL = 272,
  TAG_X_RESOLUTION = 282,
  TAG_Y_RESOLUTION = 283,
  TAG_DATE_TIME = 306,
  TAG_SUB_IFDS = 330,
  TAG_EXPOSURE_TIME = 33434,
  TAG_F_NUMBER = 33437,
  TAG_EXIF_IFD = 34665,
  TAG_EXPOSURE_PROGRAM = 34850,
  TAG_GPS_IFD = 34853,
  TAG_ISO_SPEED = 34855,
  TAG_EXIF_VERSION = 36864,
  TAG_DATE_TIME_ORIGINAL = 36867,
  TAG_SHUTTER_SPEED = 37377,
  TAG_APERTURE = 37378,
  TAG_EXPOSURE_BIAS = 37380,
  TAG_MAX_APERTURE = 37381,
  TAG_SUBJECT_DISTANCE = 37382,
  TAG_METERING_MODE = 37383,
  TAG_FLASH = 37385,
  TAG_FOCAL_LENGTH = 37386,
  TAG_USER_COMMENT = 37510,
  TAG_INTEROP_IFD = 40965,
};

class CExifEntry {
public:
  uint32_t m_nType = 0;
  uint16_t m_nTag = 0;
  uint32_t m_nCount = 0;
  // Offset in the block of the value's first byte: the entry's own value
  // field when the value takes 4 bytes or fewer.
  uint32_t m_nValueOffset = 0;
  const uint8_t* m_pBase = nullptr;
};

class CExifReader {
public:
  CExifReader() = default;
  CExifReader(const CExifReader&) = delete;
  CExifReader& operator=(const CExifReader&) = delete;

  // 0 when the block is not a usable TIFF block; otherwise nonzero (the entry
  // count of the last IFD of IFD0's chain plus those of the followed IFDs).
  int Parse(const uint8_t* block, size_t size);

  // First entry in list order with this tag, or null.
  const CExifEntry* FindTag(uint16_t tag) const;
  const std::vector<CExifEntry>& Entries() const { return m_entries; }

  // Every listed entry's value (count x type size bytes) lies in the block.
  const uint8_t* ValueAddress(const CExifEntry& entry) const { return m_pBlock + entry.m_nValueOffset; }
  size_t ValueSize(const CExifEntry& entry) const;

  // Reads at the value address in the block's byte order; 0 where the block
  // ends first.
  uint16_t ReadShort(const CExifEntry& entry) const;
  uint32_t ReadLong(const CExifEntry& entry) const;
  // numerator / denominator, 0.0 for a zero denominator; the outs get the raw
  // numbers in every case.
  double ReadRational(const CExifEntry& entry, uint32_t* numerator = nullptr, uint32_t* denominator = nullptr) const;
  double ReadSRational(const CExifEntry& entry, int32_t* numerator = nullptr, int32_t* denominator = nullptr) const;
  // The value as zero-terminated text, never past the value's own bytes.
  std::string ReadText(const CExifEntry& entry) const;

  // The UserComment text after its 8-byte character-code header. code gets
  // -1 (unknown), 0 ASCII, 1 JIS or 6 UNICODE (returned as little-endian
  // UCS-2); length gets the byte count. "" when there is no text (length 0,
  // code untouched). trim drops trailing blanks and blank-only texts.
  std::string DecodeUserComment(const CExifEntry& entry, int& code, long& length, bool trim) const;

  // Bytes per value of a TIFF type code; 0 for unknown codes.
  static uint32_t TypeSize(uint32_t type);

private:
  const uint8_t* At(uint64_t offset, uint64_t count) const;
  uint32_t ReadIfdChain(uint64_t offset);
  bool ClaimIfd(uint64_t begin, uint64_t end);

  std::vector<CExifEntry> m_entries;
  uint16_t (*m_pfnRead16)(const uint8_t*) = nullptr;
  uint32_t (*m_pfnRead32)(const uint8_t*) = nullptr;
  const uint8_t* m_pBlock = nullptr;
  size_t m_nSize = 0;
  // Byte ranges of the IFDs read so far (begin -> end), to end loops.
  std::map<uint64_t, uint64_t> m_ifds;
};

} // namespace qv
