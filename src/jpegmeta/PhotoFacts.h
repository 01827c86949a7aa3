#pragma once
// What a photo's Exif block says about how to show and file it: which way
// is up and when it was taken. Everything is read through CExifReader.
//
// The block arguments take the TIFF block (as ExifBlockOf gives it) or the
// APP1 payload that begins with "Exif\0\0"; both are only read within size.
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace qv {

class CExifReader;

// Tags read here beyond those of ExifReader.h.
namespace photo_tags {
constexpr uint16_t TAG_ORIENTATION = 274;
} // namespace photo_tags

// IFD0's Orientation (one SHORT) when it is 1-8; 1 for anything else: no
// such entry, another type or count, a value out of range, an entry that
// only another IFD holds, a block the reader refuses.
int ExifOrientation(const uint8_t* block, size_t size);
// The same from a reader whose Parse succeeded.
int ExifOrientation(const CExifReader& reader);

// DateTimeOriginal, else DateTime: ASCII "YYYY:MM:DD HH:MM:SS" (trailing
// blanks allowed) of a real date in 1970-2100, read as local time. False
// when neither is such a date; `when` is then untouched.
bool ExifShootingTime(const uint8_t* block, size_t size, std::time_t& when);
bool ExifShootingTime(const CExifReader& reader, std::time_t& when);

// The TIFF block of a JPEG file's first APP1 segment when that one is Exif;
// the out pointer points into `jpeg`. False for anything else.
bool FindExifApp1(const uint8_t* jpeg, size_t size, const uint8_t*& tiff, size_t& tiffSize);

} // namespace qv
