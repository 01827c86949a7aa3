#include "jpegmeta/CommentText.h"

#include <cstdio>
#include <cstring>

#include "app/AppHelpers.h"
#include "app/ConverterApp.h"
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

bool LoadDefaultComment(CConverterApp& app, const std::string& path) {
  app.m_defaultComment.clear();
  bool read = path.empty();
  // A pipe or device there would hang the start or never end.
  if (!path.empty() && IsRegularFile(path, nullptr)) {
    if (FILE* f = std::fopen(path.c_str(), "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, f)) {
        size_t len = std::strlen(line);
        if (len > 0 && line[len - 1] == '\n') line[--len] = '\0';
        app.m_defaultComment.append(line, len);
        app.m_defaultComment += "\r\n";
      }
      read = !std::ferror(f);
      std::fclose(f);
    }
  }
  app.m_defaultCommentCharset = ResolveReadCharset(app.m_settings, -1, app.m_defaultComment);
  app.m_defaultComment = CommentToInternal(app.m_defaultComment, app.m_defaultCommentCharset);
  return read;
}

} // namespace qv
