// Every conversion over arbitrary bytes, plus a round-trip check through
// EUC-JP and JIS on well-formed text built from the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jpegmeta/Charset.h"

namespace {

// Fuzz bytes as valid internal text: JIS X 0208 pairs, half-width katakana
// and ASCII, chosen by the bytes themselves.
std::string WellFormedText(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const uint8_t a = data[i], b = data[i + 1];
    if (a % 4 == 0) {
      text += static_cast<char>(0x20 + b % 0x5F);
    } else if (a % 4 == 1) {
      text += static_cast<char>(0xA1 + b % 0x3F);
    } else {
      const uint16_t sjis = qv::JisToSjis(static_cast<uint16_t>((0x21 + a % 94) << 8 | (0x21 + b % 94)));
      text += static_cast<char>(sjis >> 8);
      text += static_cast<char>(sjis & 0xFF);
    }
  }
  return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const long n = static_cast<long>(size);
  const int detected = qv::DetectCharset(bytes, n);
  if (detected < 0 || detected > 4) __builtin_trap();
  for (int code = -1; code <= 7; ++code) {
    qv::ToInternal(bytes, code, code == qv::CS_UCS2 ? n / 2 : n);
    qv::FromInternal(bytes, code, n);
  }
  // Negative lengths read up to a terminator; for 16-bit units that takes
  // two zero bytes on a unit boundary.
  std::string terminated(bytes, size);
  terminated.append(2, '\0');
  qv::DetectCharset(terminated.c_str(), -1);
  for (int code = -1; code <= 7; ++code) {
    qv::ToInternal(terminated.c_str(), code, -1);
    qv::FromInternal(terminated.c_str(), code, -1);
  }
  const std::string asText(bytes, size);
  qv::Utf8ToInternal(asText);
  qv::InternalToUtf8(asText);

  const std::string text = WellFormedText(data, size);
  const long len = static_cast<long>(text.size());
  if (qv::ToInternal(qv::FromInternal(text.data(), qv::CS_EUCJP, len).c_str(), qv::CS_EUCJP, -1) != text)
    __builtin_trap();
  if (qv::ToInternal(qv::FromInternal(text.data(), qv::CS_JIS, len).c_str(), qv::CS_JIS, -1) != text)
    __builtin_trap();
  return 0;
}
