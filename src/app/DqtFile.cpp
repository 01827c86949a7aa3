#include "app/DqtFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

#include "app/ReplacingFile.h"

namespace qv {
namespace {

// One line (without its end) holds tokens: runs of letters and digits, each
// ended by one separator character. An empty run still counts as 0.
void ParseDqtLine(const char* p, const char* end, uint16_t values[128], int& n) {
  while (n < 128) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p >= end) return;
    const char* start = p;
    while (p < end && std::isalnum(static_cast<unsigned char>(*p))) ++p;
    std::string token(start, p);
    // Like the other junk, a number too large for a table entry is not
    // refused: it is read as the largest entry there is.
    const unsigned long v = std::strtoul(token.c_str(), nullptr, 10);
    values[n++] = static_cast<uint16_t>(v > 65535 ? 65535 : v);
    if (p >= end) return;
    ++p;  // the separator
  }
}

// Splits text into the reader's lines: at most 1023 characters each, a
// "\r\n" end read as "\n". Text may arrive in pieces; values stop at 128.
class DqtLineSplitter {
public:
  explicit DqtLineSplitter(uint16_t values[128]) : m_values(values) {}
  bool Full() const { return m_n >= 128; }
  int Count() const { return m_n; }

  void Feed(const char* data, size_t size) {
    for (size_t i = 0; i < size && !Full(); ++i) {
      if (data[i] == '\n') {
        EndLine(true);
        continue;
      }
      if (m_line.size() == kMaxLine) EndLine(false);
      m_line += data[i];
    }
  }

  void Finish() {
    if (!m_line.empty()) EndLine(false);
  }

private:
  static constexpr size_t kMaxLine = 1023;

  void EndLine(bool hadLineEnd) {
    size_t len = m_line.size();
    if (hadLineEnd && len > 0 && m_line[len - 1] == '\r') --len;
    ParseDqtLine(m_line.data(), m_line.data() + len, m_values, m_n);
    m_line.clear();
  }

  uint16_t* m_values;
  int m_n = 0;
  std::string m_line;
};

// Table files are a few hundred bytes; values further in than this are
// not looked for.
constexpr size_t kMaxDqtBytes = 4 * 1024 * 1024;

} // namespace

int ParseDqtText(const char* data, size_t size, uint16_t values[128]) {
  DqtLineSplitter splitter(values);
  if (data) splitter.Feed(data, size);
  splitter.Finish();
  return splitter.Count();
}

// Read in pieces and only until 128 values are found, so a huge file costs
// no memory; past kMaxDqtBytes nothing more is looked at. Only a regular file
// is read: stat first so a device is not even opened, a non-blocking open so
// a FIFO cannot stall us, fstat to check what was opened.
int ReadDqtFile(const std::string& path, uint16_t values[128]) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  DqtLineSplitter splitter(values);
  char buf[4096];
  size_t total = 0;
  bool failed = false;
  while (!splitter.Full() && total < kMaxDqtBytes) {
    const ssize_t got = ::read(fd, buf, std::min(sizeof buf, kMaxDqtBytes - total));
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    splitter.Feed(buf, static_cast<size_t>(got));
    total += static_cast<size_t>(got);
  }
  ::close(fd);
  if (failed) return -1;
  splitter.Finish();
  return splitter.Count();
}

// A failed write leaves the old tables in place.
int WriteDqtFile(const std::string& path, const uint16_t values[128]) {
  std::string text;
  char cell[16];
  for (int i = 0; i < 128; ++i) {
    std::snprintf(cell, sizeof cell, "%3d,", values[i]);
    text += cell;
    if (i % 8 == 7) text += '\n';
  }
  return ReplaceFileContent(path, text.data(), text.size()) ? 128 : -1;
}

void MakeStandardTable(int index, int quality, uint16_t table[64]) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  cinfo.image_width = 8;
  cinfo.image_height = 8;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, FALSE);
  const JQUANT_TBL* q = cinfo.quant_tbl_ptrs[index & 1];
  for (int i = 0; i < 64; ++i) table[i] = q->quantval[i] > 255 ? 255 : q->quantval[i];
  jpeg_destroy_compress(&cinfo);
}

void BuildFalseColourPalette(uint8_t quads[256 * 4]) {
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < 256; ++i) {
    quads[4 * i + 0] = static_cast<uint8_t>((std::cos(i * 9 * pi / 255) + 1) * 127.5);
    quads[4 * i + 1] = static_cast<uint8_t>((std::cos(i * pi / 255) + 1) * 127.5);
    quads[4 * i + 2] = static_cast<uint8_t>((std::cos(i * 3 * pi / 255) + 1) * 127.5);
    quads[4 * i + 3] = 0;
  }
}

} // namespace qv
