#include "app/Extension.h"

#include <strings.h>

namespace qv {
namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

} // namespace

size_t FindExtension(const std::string& text) { return text.rfind('.'); }

bool ReplaceExtension(std::string& text, const std::string& extension) {
  const size_t dot = FindExtension(text);
  if (dot == kNoPosition) return false;
  text.replace(dot, std::string::npos, extension);
  return true;
}

int FormatFromExtension(const std::string& extension) {
  static const struct {
    const char* ext;
    int code;
  } kFormats[] = {
      {".rgb", 134}, {".q0", 134},   {".fal", 134}, {".bmp", 133}, {".dib", 133},
      {".rle", 133}, {".jpg", 135},  {".jpeg", 135}, {".jif", 135}, {".jfif", 135},
      {".png", 136}, {".mag", 137},  {".mki", 137},  {".tif", 139}, {".tiff", 139},
  };
  for (const auto& f : kFormats)
    if (strcasecmp(extension.c_str(), f.ext) == 0) return f.code;
  return 0;
}

size_t MatchExtensionList(const std::string& list, const std::string& extension) {
  std::string ext = extension;
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  const size_t L = ext.size();
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && list[i] == ' ') ++i;
    if (i >= list.size()) break;
    if (list[i] == '.' && (ext.empty() || ext[0] != '.')) ++i;
    if (i < list.size() && list[i] == ';') {  // empty item
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < list.size() && list[i] != ' ' && list[i] != ';') ++i;
    if (i - start == L && strncasecmp(list.c_str() + start, ext.c_str(), L) == 0) return start;
    if (i < list.size()) ++i;  // the terminating character
  }
  return kNoPosition;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i])), y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void InsertSorted(std::vector<std::string>& list, const std::string& name) {
  size_t lo = 0, hi = list.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (CompareNoCase(list[mid], name) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  list.insert(list.begin() + static_cast<long>(lo), name);
}

} // namespace qv
