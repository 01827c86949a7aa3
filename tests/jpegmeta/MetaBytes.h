#pragma once
// Hand-built JPEG, PNG and TIFF bytes for the segment list and Exif tests.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <zlib.h>

namespace qv::test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

// FF code, length field, payload.
inline Bytes Segment(uint8_t code, const Bytes& payload) {
  const size_t len = payload.size() + 2;
  Bytes b = {0xFF, code, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)};
  Append(b, payload);
  return b;
}

inline Bytes Jfif(uint8_t units = 1, uint16_t x = 72, uint16_t y = 72) {
  return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, units, static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x),
                        static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y), 0, 0});
}

inline Bytes Dqt(uint8_t id, uint8_t value) {
  Bytes p = {id};
  p.resize(65, value);
  return Segment(0xDB, p);
}

// 8 x 16 picture, one component.
inline Bytes Sof0() { return Segment(0xC0, {8, 0, 8, 0, 16, 1, 1, 0x11, 0}); }

// One DC table with a single 1-bit code.
inline Bytes Dht() {
  Bytes p = {0x00, 1};
  p.resize(17, 0);
  p.push_back(0);
  return Segment(0xC4, p);
}

inline Bytes Sos() { return Segment(0xDA, {1, 1, 0x00, 0, 63, 0}); }

// SOI APP0 DQT SOF0 DHT SOS <scan> EOI.
inline Bytes BaselineJpeg(const Bytes& scan) {
  Bytes b = {0xFF, 0xD8};
  Append(b, Jfif());
  Append(b, Dqt(0, 1));
  Append(b, Sof0());
  Append(b, Dht());
  Append(b, Sos());
  Append(b, scan);
  Append(b, {0xFF, 0xD9});
  return b;
}

// TIFF blocks in either byte order. Values of more than 4 bytes go after the
// IFD that holds their entry.
class TiffBuilder {
public:
  struct Entry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;  // already in the block's byte order
  };
  struct Ifd {
    uint32_t offset;
    uint32_t nextField;                 // position of the next-IFD offset
    std::vector<uint32_t> valueFields;  // position of each entry's value field
  };

  explicit TiffBuilder(bool bigEndian) : m_big(bigEndian) {
    b = bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    Bytes four(4, 0);
    Append(b, four);
  }

  Bytes U16(uint16_t v) const { return m_big ? Bytes{uint8_t(v >> 8), uint8_t(v)} : Bytes{uint8_t(v), uint8_t(v >> 8)}; }
  Bytes U32(uint32_t v) const {
    return m_big ? Bytes{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}
                 : Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  }

  Entry Short(uint16_t tag, uint16_t v) const { return {tag, 3, 1, U16(v)}; }
  Entry Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, U32(v)}; }
  Entry Rational(uint16_t tag, uint32_t n, uint32_t d) const {
    Bytes v = U32(n);
    Append(v, U32(d));
    return {tag, 5, 1, v};
  }
  Entry SRational(uint16_t tag, int32_t n, int32_t d) const {
    Entry e = Rational(tag, static_cast<uint32_t>(n), static_cast<uint32_t>(d));
    e.type = 10;
    return e;
  }
  Entry Ascii(uint16_t tag, const std::string& text) const {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    return {tag, 2, static_cast<uint32_t>(v.size()), v};
  }
  Entry Undefined(uint16_t tag, const Bytes& v) const { return {tag, 7, static_cast<uint32_t>(v.size()), v}; }

  Ifd AddIfd(const std::vector<Entry>& entries, uint32_t next = 0) {
    Ifd ifd;
    ifd.offset = static_cast<uint32_t>(b.size());
    Append(b, U16(static_cast<uint16_t>(entries.size())));
    std::vector<size_t> later;
    for (const Entry& e : entries) {
      Append(b, U16(e.tag));
      Append(b, U16(e.type));
      Append(b, U32(e.count));
      ifd.valueFields.push_back(static_cast<uint32_t>(b.size()));
      Bytes field = e.value.size() <= 4 ? e.value : Bytes(4, 0);
      field.resize(4, 0);
      Append(b, field);
    }
    ifd.nextField = static_cast<uint32_t>(b.size());
    Append(b, U32(next));
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].value.size() <= 4) continue;
      SetLong(ifd.valueFields[i], static_cast<uint32_t>(b.size()));
      Append(b, entries[i].value);
    }
    return ifd;
  }

  void SetLong(uint32_t at, uint32_t v) {
    const Bytes x = U32(v);
    for (int i = 0; i < 4; ++i) b[at + i] = x[static_cast<size_t>(i)];
  }
  void SetIfd0(uint32_t offset) { SetLong(4, offset); }

  Bytes b;

private:
  bool m_big;
};

// An APP1 segment carrying a TIFF block.
inline Bytes ExifApp1(const Bytes& tiff) {
  Bytes p = {'E', 'x', 'i', 'f', 0, 0};
  Append(p, tiff);
  return Segment(0xE1, p);
}

// length, type, data, CRC over type and data.
inline Bytes PngChunkBytes(const char* type, const Bytes& data) {
  Bytes c = {uint8_t(data.size() >> 24), uint8_t(data.size() >> 16), uint8_t(data.size() >> 8), uint8_t(data.size())};
  for (int i = 0; i < 4; ++i) c.push_back(static_cast<uint8_t>(type[i]));
  Append(c, data);
  const uLong crc = crc32(0, c.data() + 4, static_cast<uInt>(c.size() - 4));
  Append(c, {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
  return c;
}

} // namespace qv::test
