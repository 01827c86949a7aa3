// What every command shares about its inputs, its output and its load errors.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"

namespace qv::cli {

bool CheckInputFile(const std::string& path) {
  if (!IsSpecialFile(path)) return true;
  std::fprintf(stderr, "quorvex-cli: %s: not a regular file\n", path.c_str());
  return false;
}

int FinishOutput(int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && !std::ferror(stdout)) return status;
  // A write that failed before the flush left no errno worth trusting.
  std::fprintf(stderr, "quorvex-cli: write error: %s\n", std::strerror(!flushed && error ? error : EIO));
  return status == kExitOk ? kExitPartial : status;
}

std::string LoadErrorText(const CImageDoc& doc) {
  const char* fmt = LoadErrorFormat(doc.m_nLoadError);
  if (!fmt) return std::string();
  std::string text(std::strlen(fmt) + doc.m_strLoadErrorName.size() + 1, '\0');
  const int n = std::snprintf(&text[0], text.size(), fmt, doc.m_strLoadErrorName.c_str());
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  // The formats pad with blanks for the message box; a terminal needs none.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (doc.m_nLoadError == LOADERR_LIBRARY && !doc.m_strCodecError.empty()) text += "\n" + doc.m_strCodecError;
  return text;
}

void PrintLoadError(const CImageDoc& doc, const std::string& path) {
  std::string text = LoadErrorText(doc);
  // Load gives up on other extensions without recording anything.
  if (text.empty()) text = path + ": not a JPEG file name (.jpg, .jpeg, .jif, .jfif)";
  size_t at = 0;
  for (;;) {
    const size_t end = text.find('\n', at);
    std::fprintf(stderr, "quorvex-cli: %s\n", text.substr(at, end == std::string::npos ? end : end - at).c_str());
    if (end == std::string::npos) break;
    at = end + 1;
  }
}

std::string UnknownOption(const std::string& arg) {
  return "unknown option '" + arg + "' (a file name starting with '-' goes after --)";
}

} // namespace qv::cli
