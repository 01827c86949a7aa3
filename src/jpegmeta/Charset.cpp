#include "jpegmeta/Charset.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <iconv.h>

namespace qv {
namespace {

// (name, code) pairs; the first name of a code is its canonical one.
struct CharsetEntry {
  const char* name;
  int code;
};
const CharsetEntry kCharsetNames[] = {
    {"us-ascii", CS_ASCII},       {"us", CS_ASCII},         {"ascii", CS_ASCII},
    {"utf-8", CS_UTF8},           {"iso-2022-jp", CS_JIS},  {"x-jis", CS_JIS},
    {"shift_jis", CS_SJIS},       {"x-sjis", CS_SJIS},      {"ms_kanji", CS_SJIS},
    {"euc-jp", CS_EUCJP},         {"x-euc", CS_EUCJP},      {"iso-10646-ucs-2", CS_UCS2},
    {"csUnicode", CS_UCS2},       {nullptr, CS_UNDEFINED},
};

constexpr char32_t kReplacement = U'?';
constexpr unsigned char kEsc = 0x1B;

size_t ByteLength(const char* bytes, long length) {
  if (!bytes) return 0;
  return length < 0 ? std::strlen(bytes) : static_cast<size_t>(length);
}

size_t UnitLength(const char* bytes, long length) {
  if (!bytes) return 0;
  if (length >= 0) return static_cast<size_t>(length);
  size_t n = 0;
  while (bytes[2 * n] != 0 || bytes[2 * n + 1] != 0) ++n;
  return n;
}

// iconv descriptors are not safe to share between threads, and opening them
// per call is slow; each thread keeps its own pair.
struct Cp932Converters {
  iconv_t toUcs4 = reinterpret_cast<iconv_t>(-1);
  iconv_t fromUcs4 = reinterpret_cast<iconv_t>(-1);
  Cp932Converters() {
    toUcs4 = iconv_open("UTF-32LE", "CP932");
    fromUcs4 = iconv_open("CP932", "UTF-32LE");
  }
  ~Cp932Converters() {
    if (toUcs4 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUcs4);
    if (fromUcs4 != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUcs4);
  }
  Cp932Converters(const Cp932Converters&) = delete;
  Cp932Converters& operator=(const Cp932Converters&) = delete;
};

Cp932Converters& Converters() {
  thread_local Cp932Converters converters;
  return converters;
}

// Runs iconv over the whole input; an input unit it cannot read or write is
// replaced by `replacement` and skipped (`step` bytes), so it never fails.
std::string RunIconv(iconv_t cd, const char* data, size_t size, size_t step, const std::string& replacement) {
  std::string out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[1024];
  char* in = const_cast<char*>(data);
  size_t inLeft = size;
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ (unreadable or unwritable) or EINVAL (cut short at the end).
    out += replacement;
    const size_t skip = inLeft < step ? inLeft : step;
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* o = buf;
  size_t oLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &o, &oLeft);
  out.append(buf, static_cast<size_t>(o - buf));
  return out;
}

std::u32string Cp932ToCodePoints(const char* data, size_t size) {
  std::u32string points;
  iconv_t cd = Converters().toUcs4;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (size_t i = 0; i < size; ++i) {
      const unsigned char b = static_cast<unsigned char>(data[i]);
      points += b < 0x80 ? static_cast<char32_t>(b) : kReplacement;
    }
    return points;
  }
  const std::string ucs4 = RunIconv(cd, data, size, 1, std::string("?\0\0\0", 4));
  points.reserve(ucs4.size() / 4);
  for (size_t i = 0; i + 4 <= ucs4.size(); i += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(ucs4.data() + i);
    points += static_cast<char32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
  }
  return points;
}

std::string CodePointsToCp932(const std::u32string& points) {
  iconv_t cd = Converters().fromUcs4;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::string out;
    for (char32_t c : points) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
  }
  std::string ucs4;
  ucs4.reserve(points.size() * 4);
  for (char32_t c : points) {
    ucs4 += static_cast<char>(c & 0xFF);
    ucs4 += static_cast<char>((c >> 8) & 0xFF);
    ucs4 += static_cast<char>((c >> 16) & 0xFF);
    ucs4 += static_cast<char>((c >> 24) & 0xFF);
  }
  return RunIconv(cd, ucs4.data(), ucs4.size(), 4, "?");
}

// A valid surrogate pair becomes one code point; a lone surrogate stays and
// is later written as '?'.
std::string UnitsToCp932(const std::vector<uint16_t>& units) {
  std::u32string points;
  points.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      points += 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else {
      points += u;
    }
  }
  return CodePointsToCp932(points);
}

std::vector<uint16_t> Cp932ToUnits(const char* data, size_t size) {
  std::vector<uint16_t> units;
  for (char32_t c : Cp932ToCodePoints(data, size)) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(c > 0xFFFF ? kReplacement : c));
    }
  }
  return units;
}

// Strict UTF-8 reader; each malformed byte reads as '?'.
std::u32string DecodeUtf8Strict(const std::string& text) {
  std::u32string points;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    size_t len = 0;
    char32_t c = 0, min = 0;
    if (b < 0x80) { points += b; ++i; continue; }
    if (b >= 0xC2 && b <= 0xDF) { len = 2; c = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; c = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; c = b & 0x07; min = 0x10000; }
    bool ok = len != 0 && n - i >= len;
    for (size_t k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (!ok) { points += kReplacement; ++i; continue; }
    points += c;
    i += len;
  }
  return points;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendPair(std::string& out, uint16_t code, unsigned char orMask = 0) {
  out += static_cast<char>(((code >> 8) & 0xFF) | orMask);
  out += static_cast<char>((code & 0xFF) | orMask);
}

// ISO-2022-JP: ESC ( B / ESC ( J single-byte, ESC $ B / ESC $ @ double-byte,
// ESC ( I half-width katakana (7-bit, as FromInternal writes them).
enum class JisMode { Single, Double, Kana };

std::string JisToInternal(const unsigned char* p, size_t n) {
  std::string out;
  JisMode mode = JisMode::Single;
  size_t i = 0;
  while (i < n) {
    if (p[i] == kEsc) {
      if (i + 1 >= n) break;
      const unsigned char c = p[i + 1];
      if (c != '(' && c != '$') { i += 2; continue; }
      if (i + 2 >= n) break;
      const unsigned char d = p[i + 2];
      if (c == '(' && (d == 'B' || d == 'J')) mode = JisMode::Single;
      else if (c == '(' && d == 'I') mode = JisMode::Kana;
      else if (c == '$' && (d == 'B' || d == '@')) mode = JisMode::Double;
      i += 3;
      continue;
    }
    if (mode == JisMode::Kana) {
      const unsigned char b = p[i++];
      out += static_cast<char>(b >= 0x21 && b <= 0x5F ? b | 0x80 : b);
      continue;
    }
    if (mode == JisMode::Single) {
      out += static_cast<char>(p[i++]);
      continue;
    }
    if (i + 1 >= n) break;  // half a character at the end
    AppendPair(out, JisToSjis(static_cast<uint16_t>(p[i] << 8 | p[i + 1])));
    i += 2;
  }
  return out;
}

std::string EucToInternal(const unsigned char* p, size_t n) {
  std::string out;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) { out += static_cast<char>(b); ++i; continue; }
    if (i + 1 >= n) break;  // half a character at the end
    if (b == 0x8E) {
      out += static_cast<char>(p[i + 1]);
    } else {
      AppendPair(out, JisToSjis(static_cast<uint16_t>((b & 0x7F) << 8 | (p[i + 1] & 0x7F))));
    }
    i += 2;
  }
  return out;
}

// Lead below 0x80: one byte; 0x80-0xDF: two; 0xE0 and up: three. Longer
// forms are read as three-byte ones, as the units are only 16 bits.
std::string Utf8UnitsToInternal(const unsigned char* p, size_t n) {
  std::vector<uint16_t> units;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      units.push_back(b);
      i += 1;
    } else if (b < 0xE0) {
      if (n - i < 2) break;
      units.push_back(static_cast<uint16_t>((b & 0x1F) << 6 | (p[i + 1] & 0x3F)));
      i += 2;
    } else {
      if (n - i < 3) break;
      units.push_back(static_cast<uint16_t>((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F)));
      i += 3;
    }
  }
  return UnitsToCp932(units);
}

std::string Ucs2ToInternal(const char* bytes, size_t units) {
  std::vector<uint16_t> v(units);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < units; ++i) v[i] = static_cast<uint16_t>(p[2 * i] | p[2 * i + 1] << 8);
  return UnitsToCp932(v);
}

// Half-width katakana get their own mode: read as lead bytes they would
// swallow the next character.
std::string InternalToJis(const unsigned char* p, size_t n) {
  static const char kToDouble[] = {0x1B, '$', '@'};
  static const char kToSingle[] = {0x1B, '(', 'J'};
  static const char kToKana[] = {0x1B, '(', 'I'};
  std::string out;
  JisMode mode = JisMode::Single;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      if (mode != JisMode::Single) out.append(kToSingle, 3);
      mode = JisMode::Single;
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b >= 0xA1 && b <= 0xDF) {
      if (mode != JisMode::Kana) out.append(kToKana, 3);
      mode = JisMode::Kana;
      out += static_cast<char>(b & 0x7F);
      ++i;
      continue;
    }
    if (i + 1 >= n) break;  // a lead byte without its trail
    if (mode != JisMode::Double) out.append(kToDouble, 3);
    mode = JisMode::Double;
    AppendPair(out, SjisToJis(static_cast<uint16_t>(b << 8 | p[i + 1])));
    i += 2;
  }
  if (mode != JisMode::Single) out.append(kToSingle, 3);
  return out;
}

std::string InternalToEuc(const unsigned char* p, size_t n) {
  std::string out;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else if (b >= 0xA0 && b <= 0xDF) {
      out += static_cast<char>(0x8E);
      out += static_cast<char>(b);
      ++i;
    } else {
      if (i + 1 >= n) break;  // a lead byte without its trail
      AppendPair(out, SjisToJis(static_cast<uint16_t>(b << 8 | p[i + 1])), 0x80);
      i += 2;
    }
  }
  return out;
}

// Each 16-bit unit on its own: surrogates are not combined.
std::string InternalToUtf8Units(const char* text, size_t n) {
  std::string out;
  for (uint16_t u : Cp932ToUnits(text, n)) {
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u <= 0x7FF) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

} // namespace

const char* CharsetName(int code) {
  for (const CharsetEntry* e = kCharsetNames; e->name; ++e)
    if (e->code == code) return e->name;
  return nullptr;
}

int DetectCharset(const char* bytes, long length) {
  const size_t n = ByteLength(bytes, length);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b == kEsc) return CS_JIS;
    if (b <= 0x80) { ++i; continue; }
    if (i + 1 >= n) return CS_ASCII;
    const unsigned char c = p[i + 1];
    if (b >= 0x81 && b <= 0xA0 && c >= 0x40 && c <= 0xFC) return CS_SJIS;
    if (((b >= 0xA1 && b <= 0xDF) || b == 0xEB || b == 0xEC || b >= 0xEF) && c >= 0xA1) return CS_EUCJP;
    if (b == 0xE0 || b == 0xE1 || b >= 0xEE) {
      if (c >= 0x41 && c <= 0xA0) return CS_SJIS;
      if (c >= 0xA1) return CS_EUCJP;
    }
    if (b >= 0xE2 && b <= 0xE9) {
      if (c >= 0x40 && c <= 0x7F) return CS_SJIS;
      if (c >= 0x80 && c <= 0xBF) return CS_UTF8;
      if (c >= 0xC0 && c <= 0xFB) return CS_SJIS;
      if (c >= 0xFC) return CS_EUCJP;
    }
    i += 2;
  }
  return CS_ASCII;
}

std::string ToInternal(const char* bytes, int code, long length) {
  if (code == CS_UCS2) return Ucs2ToInternal(bytes, UnitLength(bytes, length));
  const size_t n = ByteLength(bytes, length);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  switch (code) {
    case CS_JIS: return JisToInternal(p, n);
    case CS_EUCJP: return EucToInternal(p, n);
    case CS_UTF8: return Utf8UnitsToInternal(p, n);
    default: return std::string(bytes ? bytes : "", n);
  }
}

std::string FromInternal(const char* text, int code, long length) {
  const size_t n = ByteLength(text, length);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  switch (code) {
    case CS_JIS: return InternalToJis(p, n);
    case CS_EUCJP: return InternalToEuc(p, n);
    case CS_UTF8: return InternalToUtf8Units(text, n);
    // To 16-bit units and straight back: the result is internal text again.
    case CS_UCS2: return UnitsToCp932(Cp932ToUnits(text, n));
    default: return std::string(text ? text : "", n);
  }
}

// JIS row/cell bytes j1 j2 (0x21-0x7E) <-> Shift_JIS lead/trail; bytes
// outside those ranges go through the same arithmetic, kept to 8 bits.
uint16_t JisToSjis(uint16_t jis) {
  const int j1 = jis >> 8, j2 = jis & 0xFF;
  const int lead = (j1 - 0x21) / 2 + (j1 < 0x5F ? 0x81 : 0xC1);
  int trail;
  if (j1 & 1) {
    trail = j2 + 0x1F;
    if (trail > 0x7E) ++trail;
  } else {
    trail = j2 + 0x7E;
  }
  return static_cast<uint16_t>((lead & 0xFF) << 8 | (trail & 0xFF));
}

uint16_t SjisToJis(uint16_t sjis) {
  const int s1 = sjis >> 8, s2 = sjis & 0xFF;
  int j1 = (s1 - (s1 < 0xE0 ? 0x81 : 0xC1)) * 2 + 0x21;
  int j2;
  if (s2 >= 0x9F) {
    ++j1;
    j2 = s2 - 0x7E;
  } else {
    j2 = s2 - (s2 > 0x7F ? 0x20 : 0x1F);
  }
  return static_cast<uint16_t>((j1 & 0xFF) << 8 | (j2 & 0xFF));
}

std::string Utf8ToInternal(const std::string& utf8) { return CodePointsToCp932(DecodeUtf8Strict(utf8)); }

std::string InternalToUtf8(const std::string& internal) {
  std::string out;
  for (char32_t c : Cp932ToCodePoints(internal.data(), internal.size())) AppendUtf8(out, c);
  return out;
}

} // namespace qv
