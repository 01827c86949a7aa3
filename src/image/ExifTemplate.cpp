#include "image/ExifTemplate.h"

namespace qv {
namespace {

struct Writer {
  std::vector<uint8_t>& out;
  void U16(uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  // One 12-byte IFD entry: tag, type, count, value or offset.
  void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    U16(tag);
    U16(type);
    U32(count);
    if (type == 3) {  // SHORT values sit left-aligned in the 4-byte field
      U16(static_cast<uint16_t>(value));
      U16(0);
    } else {
      U32(value);
    }
  }
  void Bytes4(const char* b) { out.insert(out.end(), b, b + 4); }
};

enum : uint16_t { BYTE_UNDEFINED = 7, SHORT = 3, LONG = 4, RATIONAL = 5 };

} // namespace

std::vector<uint8_t> BuildExifTemplate(uint32_t thumbnailLength) {
  std::vector<uint8_t> t;
  t.reserve(kExifTemplateSize);
  Writer w{t};
  // 0: header "II", 42, IFD0 at 8
  t.push_back('I');
  t.push_back('I');
  w.U16(0x002A);
  w.U32(8);
  // 8: IFD0, 5 entries
  w.U16(5);
  w.Entry(0x011A, RATIONAL, 1, 74);   // XResolution
  w.Entry(0x011B, RATIONAL, 1, 82);   // YResolution
  w.Entry(0x0128, SHORT, 1, 2);       // ResolutionUnit: inch
  w.Entry(0x0213, SHORT, 1, 2);       // YCbCrPositioning: co-sited
  w.Entry(0x8769, LONG, 1, 90);       // Exif IFD
  w.U32(168);                         // 70: next IFD = IFD1
  w.U32(72), w.U32(1);                // 74
  w.U32(72), w.U32(1);                // 82
  // 90: Exif IFD, 6 entries
  w.U16(6);
  w.U16(0x9000), w.U16(BYTE_UNDEFINED), w.U32(4), w.Bytes4("0210");
  w.U16(0x9101), w.U16(BYTE_UNDEFINED), w.U32(4), w.Bytes4("\x01\x02\x03\x00");
  w.U16(0xA000), w.U16(BYTE_UNDEFINED), w.U32(4), w.Bytes4("0100");
  w.Entry(0xA001, SHORT, 1, 1);       // ColorSpace: sRGB
  w.Entry(0xA002, LONG, 1, 1024);     // PixelXDimension, as the device expects
  w.Entry(0xA003, LONG, 1, 768);      // PixelYDimension
  w.U32(0);                           // 164: no next IFD
  // 168: IFD1 (the thumbnail), 6 entries
  w.U16(6);
  w.Entry(0x0103, SHORT, 1, 6);       // Compression: JPEG
  w.Entry(0x011A, RATIONAL, 1, 246);
  w.Entry(0x011B, RATIONAL, 1, 254);
  w.Entry(0x0128, SHORT, 1, 2);
  w.Entry(0x0201, LONG, 1, 262);      // JPEGInterchangeFormat
  w.Entry(0x0202, LONG, 1, thumbnailLength);  // value at 238
  w.U32(0);                           // 242
  w.U32(72), w.U32(1);                // 246
  w.U32(72), w.U32(1);                // 254
  return t;
}

} // namespace qv
