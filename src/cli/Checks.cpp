// What every command shares about its inputs, its output and its load errors.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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
  if (doc.m_nLoadError == LOADERR_OPEN) {
    const std::string reason = FailureReason(path, 0);
    if (!reason.empty()) text += "\n" + path + ": " + reason;
  }
  Say(text);
}

void Say(const std::string& text) { std::fputs(PrefixLines("quorvex-cli: ", text).c_str(), stderr); }

std::string FailureReason(const std::string& path, int savedErrno) {
  std::string reason;
  if (!IsRegularFile(path, &reason) && !reason.empty()) return reason;
  if (!savedErrno) {
    // A regular file that could not be opened: ask again, for the reason.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
      return "";
    }
    savedErrno = errno;
  }
  return std::strerror(savedErrno);
}

void PrintFileError(const std::string& operation, const std::string& path, const std::string& message,
                    const std::string& reason) {
  Say(FileErrorText(operation, path, message) + (reason.empty() ? "" : ": " + reason));
}

} // namespace qv::cli
