#include "jpegmeta/CommentText.h"

#include "app/Settings.h"
#include "jpegmeta/Charset.h"

namespace qv {

int ResolveReadCharset(const CSettings& settings, int knownCode, const std::string& bytes) {
  if (knownCode >= 0) return knownCode;
  if (settings.AutoReadCharset) return DetectCharset(bytes.data(), static_cast<long>(bytes.size()));
  return settings.ReadCharset;
}

std::string CommentToInternal(const std::string& bytes, int code) {
  if (code == CS_ASCII || code == CS_SJIS) return bytes;
  // UCS-2 lengths count 16-bit units.
  const long n = static_cast<long>(code == CS_UCS2 ? bytes.size() / 2 : bytes.size());
  return ToInternal(bytes.data(), code, n);
}

std::string CommentFromInternal(const std::string& text, int code) {
  if (code == CS_ASCII || code == CS_SJIS) return text;
  return FromInternal(text.data(), code, static_cast<long>(text.size()));
}

} // namespace qv
