#include "gui/RecentFileList.h"

#include <algorithm>

#include "app/Extension.h"
#include "app/Profile.h"
#include "gui/CommandIds.h"

namespace qv {

const char kRecentSection[] = "Recent File List";

namespace {

std::string SlotKey(int i) { return "File" + std::to_string(i + 1); }

// Keeps the first folder and the file name: "/home/.../name.jpg".
std::string Abbreviate(const std::string& path, size_t maxLen) {
  if (path.size() <= maxLen) return path;
  const size_t lastSlash = path.find_last_of('/');
  const std::string name = lastSlash == std::string::npos ? path : path.substr(lastSlash + 1);
  const size_t firstSlash = path.find('/', 1);
  if (firstSlash != std::string::npos && firstSlash < lastSlash) {
    std::string shortPath = path.substr(0, firstSlash) + "/..." + path.substr(lastSlash);
    if (shortPath.size() <= maxLen) return shortPath;
  }
  return name;
}

} // namespace

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
  std::string shown = Abbreviate(Path(index), 30);
  // A literal '&' would become a mnemonic.
  std::string escaped;
  for (char c : shown) {
    if (c == '&') escaped += '&';
    escaped += c;
  }
  return "&" + std::to_string(index + 1) + " " + escaped;
}

} // namespace qv
