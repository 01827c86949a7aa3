#pragma once
// The recent-file list: at most "MaxMRU" paths, newest first, kept in the
// settings file's own section.
#include <cstddef>
#include <string>
#include <vector>

namespace qv {

class CProfile;

extern const char kRecentSection[];  // "Recent File List"

// The length, in characters, that a recent-file entry is shortened to.
constexpr size_t kRecentDisplayLength = 30;
// A path as the list shows it: whole when it fits maxLen characters, else
// the leading folders that fit, "/…" for the rest of the folder part, and the
// file name whole ("/home/u/…/photo.jpg").
std::string AbbreviatePath(const std::string& path, size_t maxLen);

class CRecentFileList {
public:
  explicit CRecentFileList(int maxSize);

  int MaxSize() const { return m_maxSize; }
  int Size() const { return static_cast<int>(m_paths.size()); }
  const std::vector<std::string>& Paths() const { return m_paths; }
  const std::string& Path(int i) const { return m_paths[static_cast<size_t>(i)]; }

  // Moves an already listed path (letter case ignored) to the top.
  void Add(const std::string& path);
  void Remove(int index);

  void Load(const CProfile& profile);
  // Writes every slot; empty slots lose their key.
  bool Save(CProfile& profile) const;

  // The settings sheet's clear: empties the list the next time the menu is
  // rebuilt.
  void RequestClear() { m_bCleared = true; }
  // Applies a pending clear; true when one was pending.
  bool ApplyPendingClear();

  // The menu text of entry i: "&1 " and the path as AbbreviatePath gives it
  // ('&' doubled).
  std::string MenuText(int index) const;

private:
  int m_maxSize;
  bool m_bCleared = false;
  std::vector<std::string> m_paths;
};

} // namespace qv
