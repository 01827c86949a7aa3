#include "app/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ReplacingFile.h"

namespace qv {
namespace {

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Names match without regard to (ASCII) case; the index keys are lower case.
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string KeyId(std::string_view sectionLower, std::string_view key) {
  std::string id(sectionLower);
  id += '\0';
  id += Lower(key);
  return id;
}

// "[name]" -> name; anything else -> nothing.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// "key=value" -> key; comments and other lines -> nothing.
std::optional<std::string_view> KeyOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

// Refuses anything but a regular file of sane size before reading a byte:
// stat first so a device is never even opened, and a non-blocking open so a
// FIFO put there meanwhile cannot stall us; fstat then checks what was opened.
CProfile::LoadState ReadSettingsFile(const std::string& path, std::string& text, std::string& error) {
  using S = CProfile::LoadState;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return S::Missing;
    error = std::strerror(errno);
    return S::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) return S::NotRegular;
  if (st.st_size > CProfile::kMaxFileBytes) return S::TooLarge;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return S::Missing;
    error = std::strerror(errno);
    return S::Unreadable;
  }
  S result = S::Ok;
  if (::fstat(fd, &st) != 0) {
    error = std::strerror(errno);
    result = S::Unreadable;
  } else if (!S_ISREG(st.st_mode)) {
    result = S::NotRegular;
  } else {
    char buf[65536];
    for (;;) {
      const ssize_t got = ::read(fd, buf, sizeof buf);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        error = std::strerror(errno);
        result = S::Unreadable;
        break;
      }
      text.append(buf, static_cast<size_t>(got));
      // It may be growing under us.
      if (static_cast<long long>(text.size()) > CProfile::kMaxFileBytes) {
        result = S::TooLarge;
        break;
      }
    }
  }
  ::close(fd);
  if (result != S::Ok) text.clear();
  return result;
}

} // namespace

void CProfile::SetPath(std::string path) {
  m_path = std::move(path);
  m_state = LoadState::NotLoaded;
  m_dirty = false;
  Parse(std::string());
}

void CProfile::Load() {
  m_state = LoadState::NotLoaded;
  m_dirty = false;
  EnsureLoaded();
}

void CProfile::EnsureLoaded() const {
  if (m_state != LoadState::NotLoaded) return;
  std::string text;
  m_loadError.clear();
  m_state = ReadSettingsFile(m_path, text, m_loadError);
  Parse(std::move(text));
}

std::string CProfile::LoadMessage() const {
  const std::string file = "Settings file '" + m_path + "' ";
  switch (m_state) {
  case LoadState::NotRegular: return file + "is not a regular file; the defaults are used.";
  case LoadState::TooLarge: return file + "is larger than 4 MB; the defaults are used.";
  case LoadState::Unreadable: return file + "cannot be read (" + m_loadError + "); the defaults are used.";
  default: return std::string();
  }
}

void CProfile::Parse(std::string text) const {
  m_text = std::move(text);
  m_lines.clear();
  m_keyLines.clear();
  m_sectionEnds.clear();
  m_endsWithNewline = true;
  for (size_t pos = 0; pos < m_text.size();) {
    const size_t nl = m_text.find('\n', pos);
    if (nl == std::string::npos) {
      m_lines.push_back({pos, m_text.size() - pos});
      m_endsWithNewline = false;
      break;
    }
    m_lines.push_back({pos, nl - pos});
    pos = nl + 1;
  }
  m_crlf = !m_lines.empty() && !LineText(0).empty() && LineText(0).back() == '\r';

  // Keys before the first section belong to none and are never found.
  // (Pointers into an unordered_map stay valid as it grows.)
  const std::string* section = nullptr;
  size_t* sectionEnd = nullptr;
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const std::string_view line = LineText(i);
    if (auto s = SectionOf(line)) {
      auto it = m_sectionEnds.insert_or_assign(Lower(*s), i + 1).first;
      section = &it->first;
      sectionEnd = &it->second;
      continue;
    }
    if (!section) continue;
    if (!Trim(line).empty()) *sectionEnd = i + 1;
    if (auto k = KeyOf(line)) m_keyLines.emplace(KeyId(*section, *k), i);  // the first one wins
  }
}

void CProfile::InsertLine(size_t at, const std::string& text) {
  if (at >= m_lines.size()) {
    at = m_lines.size();
    if (!m_endsWithNewline && m_crlf && at > 0) {
      // The last line gets the line end the file's other lines have.
      const std::string last = std::string(LineText(at - 1)) + '\r';
      m_lines[at - 1] = Line{m_text.size(), last.size()};
      m_text += last;
    }
    m_endsWithNewline = true;
  }
  for (auto& k : m_keyLines)
    if (k.second >= at) ++k.second;
  for (auto& s : m_sectionEnds)
    if (s.second >= at) ++s.second;
  m_lines.insert(m_lines.begin() + static_cast<long>(at), Line{m_text.size(), text.size()});
  m_text += text;
}

std::string CProfile::Render() const {
  std::string out;
  out.reserve(m_text.size() + 1);
  for (size_t i = 0; i < m_lines.size(); ++i) {
    out.append(LineText(i));
    if (i + 1 < m_lines.size() || m_endsWithNewline) out += '\n';
  }
  return out;
}

std::optional<std::string> CProfile::Read(const std::string& section, const std::string& key) const {
  EnsureLoaded();
  auto it = m_keyLines.find(KeyId(Lower(section), key));
  if (it == m_keyLines.end()) return std::nullopt;
  const std::string_view line = LineText(it->second);
  std::string v(Trim(line.substr(line.find('=') + 1)));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
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
  EnsureLoaded();
  const std::string sectionId = Lower(section);
  const std::string id = KeyId(sectionId, key);
  const std::string eol = m_crlf ? "\r" : "";
  std::string entry = key + "=" + value;
  if (auto k = m_keyLines.find(id); k != m_keyLines.end()) {
    const std::string_view old = LineText(k->second);
    if (!old.empty() && old.back() == '\r') entry += '\r';
    m_lines[k->second] = Line{m_text.size(), entry.size()};
    m_text += entry;
  } else if (auto s = m_sectionEnds.find(sectionId); s != m_sectionEnds.end()) {
    const size_t at = s->second;
    InsertLine(at, entry + eol);  // moves the section's end past the new line
    m_keyLines.emplace(id, at);
  } else {
    if (!m_lines.empty() && !Trim(LineText(m_lines.size() - 1)).empty()) InsertLine(m_lines.size(), eol);
    InsertLine(m_lines.size(), "[" + section + "]" + eol);
    InsertLine(m_lines.size(), entry + eol);
    m_keyLines.emplace(id, m_lines.size() - 1);
    m_sectionEnds[sectionId] = m_lines.size();
  }
  m_dirty = true;
  if (m_batchDepth > 0) return Writable();
  return Save();
}

bool CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool CProfile::EndBatch() {
  if (m_batchDepth > 0 && --m_batchDepth > 0) return Writable();
  return m_dirty ? Save() : true;
}

bool CProfile::Save() {
  EnsureLoaded();
  if (!Writable() || m_path.empty()) return false;
  // Whatever appeared there since loading, a FIFO or device is not replaced.
  struct stat st {};
  if (::stat(m_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  std::string text = Render();
  if (!ReplaceFileContent(m_path, text.data(), text.size())) return false;
  Parse(std::move(text));  // also drops the replaced lines' old text
  m_state = LoadState::Ok;
  m_dirty = false;
  return true;
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
