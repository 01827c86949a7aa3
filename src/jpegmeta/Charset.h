#pragma once
// Comment character sets. Internal text is Shift_JIS (CP932) bytes.
#include <cstdint>
#include <string>

namespace qv {

enum CharsetCode : int {
  CS_UNDEFINED = -1,
  CS_ASCII = 0,
  CS_JIS = 1,
  CS_EUCJP = 2,
  CS_SJIS = 3,  // the internal form
  CS_UTF8 = 4,
  CS_UCS2 = 6,
};

// First name of the code in the name table, or null.
const char* CharsetName(int code);
// length < 0: up to the first zero byte. Returns 0, 1, 2, 3 or 4.
int DetectCharset(const char* bytes, long length);
// length < 0: up to the first zero byte; for code 6, a count of 16-bit units.
std::string ToInternal(const char* bytes, int code, long length);
std::string FromInternal(const char* text, int code, long length);
uint16_t JisToSjis(uint16_t jis);
uint16_t SjisToJis(uint16_t sjis);

// The program's own texts are written in UTF-8 in the sources and used as
// internal text; windows and the terminal show internal text as UTF-8.
std::string Utf8ToInternal(const std::string& utf8);
std::string InternalToUtf8(const std::string& internal);

} // namespace qv
