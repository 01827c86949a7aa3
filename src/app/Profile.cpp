#include "app/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// "[name]" -> name; anything else -> nothing.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// "key=value" -> key; comments and other lines -> nothing.
std::optional<std::string> KeyOf(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

} // namespace

std::vector<std::string> CProfile::LoadLines() const {
  std::vector<std::string> lines;
  std::ifstream in(m_path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::optional<std::string> CProfile::Read(const std::string& section, const std::string& key) const {
  bool inSection = false;
  for (const std::string& line : LoadLines()) {
    if (auto s = SectionOf(line)) {
      inSection = SameName(*s, section);
      continue;
    }
    if (!inSection) continue;
    auto k = KeyOf(line);
    if (!k || !SameName(*k, key)) continue;
    std::string v = Trim(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    return v;
  }
  return std::nullopt;
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  auto v = Read(section, key);
  return v ? *v : def;
}

int CProfile::GetInt(const std::string& section, const std::string& key, int def) const {
  auto v = Read(section, key);
  if (!v || v->empty()) return def;
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (end == v->c_str() || *end != '\0' || errno == ERANGE || n < INT_MIN || n > INT_MAX) return def;
  return static_cast<int>(n);
}

bool CProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (m_path.empty()) return false;
  std::vector<std::string> lines = LoadLines();
  const std::string entry = key + "=" + value;
  bool inSection = false, done = false;
  size_t sectionEnd = std::string::npos;  // index after the last line of the section
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    if (auto s = SectionOf(lines[i])) {
      inSection = SameName(*s, section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) sectionEnd = i + 1;
    auto k = KeyOf(lines[i]);
    if (k && SameName(*k, key)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (sectionEnd == std::string::npos) {
      if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back(std::string());
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    } else {
      lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
    }
  }

  // Write beside the file, then replace it, so a failed write loses nothing.
  const std::string tmp = m_path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const std::string& l : lines) out << l << '\n';
    out.flush();
    if (!out) {
      out.close();
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), m_path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

bool CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

std::string HomeDirectory() {
  if (const char* h = std::getenv("HOME"); h && *h) return h;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string ConfigDirectory(const std::string& overrideDir) {
  if (!overrideDir.empty()) return overrideDir;
  if (const char* d = std::getenv("QUORVEX_CONFIG_DIR"); d && *d) return d;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/quorvex";
  return HomeDirectory() + "/.config/quorvex";
}

std::string MapDefaultPath(const std::string& windowsPath) {
  std::string rest = windowsPath;
  if (rest.size() >= 2 && rest[1] == ':') rest = rest.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  std::string home = HomeDirectory();
  if (!home.empty() && home.back() == '/') home.pop_back();
  if (rest.empty() || rest[0] != '/') rest = "/" + rest;
  return home + rest;
}

} // namespace qv
