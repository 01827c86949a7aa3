#include "view/DqtFile.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

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
    values[n++] = static_cast<uint16_t>(std::strtoul(token.c_str(), nullptr, 10));
    if (p >= end) return;
    ++p;  // the separator
  }
}

} // namespace

int ParseDqtText(const char* data, size_t size, uint16_t values[128]) {
  int n = 0;
  size_t pos = 0;
  while (pos < size && n < 128) {
    // Lines of at most 1023 characters, as the reader takes them.
    size_t lineEnd = pos;
    while (lineEnd < size && data[lineEnd] != '\n' && lineEnd - pos < 1023) ++lineEnd;
    const bool hasEnd = lineEnd < size && data[lineEnd] == '\n';
    const char* end = data + lineEnd;
    if (end > data + pos && end[-1] == '\r' && hasEnd) --end;
    ParseDqtLine(data + pos, end, values, n);
    pos = lineEnd + (hasEnd ? 1 : 0);
  }
  return n;
}

int ReadDqtFile(const std::string& path, uint16_t values[128]) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::string text;
  char buf[4096];
  size_t got;
  // The file holds 128 short numbers; anything far past that is ignored.
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, got);
  // A folder opens for reading here but cannot be read: not a table file.
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return -1;
  return ParseDqtText(text.data(), text.size(), values);
}

// Written to a temporary file beside the target and renamed over it, so a
// failed write leaves the old tables in place.
int WriteDqtFile(const std::string& path, const uint16_t values[128]) {
  std::string text;
  char cell[16];
  for (int i = 0; i < 128; ++i) {
    std::snprintf(cell, sizeof cell, "%3d,", values[i]);
    text += cell;
    if (i % 8 == 7) text += '\n';
  }
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return -1;
  struct stat st;
  mode_t mode;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < text.size()) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0 && errno == EINTR) continue;
    ok = w > 0;
    if (ok) done += static_cast<size_t>(w);
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok ? 128 : -1;
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
