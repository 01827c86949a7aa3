#include "gui/RecentFileList.h"

#include <algorithm>

#include "app/Extension.h"
#include "app/Profile.h"
#include "gui/CommandIds.h"

namespace qv {

const char kRecentSection[] = "Recent File List";

namespace {

std::string SlotKey(int i) { return "File" + std::to_string(i + 1); }

const char kEllipsis[] = "\xE2\x80\xA6";  // "…"

// Characters, not bytes: the paths are UTF-8.
size_t Length(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

} // namespace

std::string AbbreviatePath(const std::string& path, size_t maxLen) {
  if (Length(path) <= maxLen) return path;
  // One rule for every entry: the file name whole, then as many of the
  // leading folders as fit, the rest of the folder part given as "…".
  const size_t lastSlash = path.find_last_of('/');
  if (lastSlash == std::string::npos || lastSlash == 0) return path;  // no folder to shorten
  const std::string tail = std::string("/") + kEllipsis + path.substr(lastSlash);
  std::string head;
  size_t from = 0;
  while (true) {
    const size_t next = path.find('/', from + 1);
    if (next == std::string::npos || next >= lastSlash) break;
    const std::string longer = path.substr(0, next);
    if (Length(longer) + Length(tail) > maxLen) break;
    head = longer;
    from = next;
  }
  return head + tail;
}

CRecentFileList::CRecentFileList(int maxSize) : m_maxSize(std::clamp(maxSize, 0, kMaxRecentFiles)) {}

void CRecentFileList::Add(const std::string& path) {
  if (m_maxSize == 0 || path.empty()) return;
  auto same = std::find_if(m_paths.begin(), m_paths.end(),
                           [&](const std::string& p) { return CompareNoCase(p, path) == 0; });
  if (same != m_paths.end()) m_paths.erase(same);
  m_paths.insert(m_paths.begin(), path);
  if (Size() > m_maxSize) m_paths.resize(static_cast<size_t>(m_maxSize));
}

void CRecentFileList::Remove(int index) {
  if (index >= 0 && index < Size()) m_paths.erase(m_paths.begin() + index);
}

void CRecentFileList::Load(const CProfile& profile) {
  m_paths.clear();
  for (int i = 0; i < m_maxSize; ++i) {
    const std::string p = profile.GetString(kRecentSection, SlotKey(i), "");
    if (!p.empty()) m_paths.push_back(p);
  }
}

bool CRecentFileList::Save(CProfile& profile) const {
  profile.BeginBatch();  // one write of the file for all the slots
  bool ok = true;
  for (int i = 0; i < m_maxSize; ++i) {
    const std::string key = SlotKey(i);
    if (i < Size()) {
      ok &= profile.WriteString(kRecentSection, key, Path(i));
    } else if (profile.Read(kRecentSection, key)) {
      ok &= profile.WriteString(kRecentSection, key, "");
    }
  }
  return profile.EndBatch() && ok;
}

bool CRecentFileList::ApplyPendingClear() {
  if (!m_bCleared) return false;
  m_bCleared = false;
  m_paths.clear();
  return true;
}

std::string CRecentFileList::MenuText(int index) const {
  std::string shown = AbbreviatePath(Path(index), kRecentDisplayLength);
  // A literal '&' would become a mnemonic.
  std::string escaped;
  for (char c : shown) {
    if (c == '&') escaped += '&';
    escaped += c;
  }
  return "&" + std::to_string(index + 1) + " " + escaped;
}

} // namespace qv
