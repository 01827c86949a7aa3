// The Exif reader on an arbitrary TIFF block: parse, every value read of
// every entry, the user-comment decoder and the five summary texts.
#include <cstdint>
#include <string>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::CExifReader reader;
  if (!reader.Parse(data, size)) return 0;

  volatile uint32_t sink = 0;
  for (const qv::CExifEntry& e : reader.Entries()) {
    // Every listed value lies in the block: touch each of its bytes.
    const uint8_t* value = reader.ValueAddress(e);
    const size_t n = reader.ValueSize(e);
    if (value < data || value + n > data + size) __builtin_trap();
    for (size_t i = 0; i < n; ++i) sink = sink + value[i];
    sink = sink + reader.ReadShort(e) + reader.ReadLong(e);
    uint32_t un = 0, ud = 0;
    int32_t sn = 0, sd = 0;
    sink = sink + static_cast<uint32_t>(reader.ReadRational(e, &un, &ud) > 1.0) + un + ud;
    sink = sink + static_cast<uint32_t>(reader.ReadSRational(e, &sn, &sd) > 1.0) + static_cast<uint32_t>(sn) + static_cast<uint32_t>(sd);
    sink = sink + static_cast<uint32_t>(reader.ReadText(e).size());
    for (bool trim : {false, true}) {
      int code = -2;
      long length = -1;
      const std::string text = reader.DecodeUserComment(e, code, length, trim);
      if (length != static_cast<long>(text.size())) __builtin_trap();
    }
  }

  std::string text;
  qv::MakerText(reader, text);
  qv::OpticalText(reader, text);
  qv::DateText(reader, text);
  qv::ExposureModeText(reader, text, qv::EXIF_JAPANESE);
  qv::ExposureModeText(reader, text, qv::EXIF_ENGLISH);
  qv::ExposureText(reader, text);
  return 0;
}
