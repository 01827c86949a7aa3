#pragma once
// An INI file with private-profile semantics: each write replaces one key and
// keeps every other section, key, comment and blank line of the file.
//
// The file is read once, at the first read or write or at Load(); reads are
// answered from memory and writes change memory, then write the whole file
// from it (or, between BeginBatch() and EndBatch(), once at the end).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

class CProfile {
public:
  // A settings file is a few kilobytes; anything larger is not ours to read.
  static constexpr long long kMaxFileBytes = 4LL * 1024 * 1024;

  enum class LoadState {
    NotLoaded,
    Ok,
    Missing,     // no file yet: an empty store, written on the first write
    NotRegular,  // FIFO, device, folder...: not read and never written over
    TooLarge,    // above kMaxFileBytes: not read and never written over
    Unreadable,  // there but unreadable: never written over either
  };

  CProfile() = default;
  explicit CProfile(std::string path) : m_path(std::move(path)) {}

  const std::string& Path() const { return m_path; }
  // Drops the memory copy; the new file is read at the next use.
  void SetPath(std::string path);

  // Reads the file now, dropping the memory copy and any change it holds
  // that was not written. Without it, the first read or write reads the file.
  void Load();
  LoadState LoadStatus() const { return m_state; }
  // The text to show the user when the file was refused, else "".
  std::string LoadMessage() const;

  // The value text with surrounding blanks (and one pair of quotes) removed,
  // or nothing when the file, the section or the key is missing.
  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;
  // A value that is not a decimal integer (after blanks) gives the default.
  int GetInt(const std::string& section, const std::string& key, int def) const;

  // Returns false when the file cannot be written; the old file then stays.
  // Memory keeps the new value either way, so a later write saves it too.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInt(const std::string& section, const std::string& key, int value);

  // Writes in between change memory only (they return whether the file may be
  // written at all); EndBatch() then writes the file once and returns false
  // when that failed. Batches nest.
  void BeginBatch() { ++m_batchDepth; }
  bool EndBatch();

private:
  struct Line {
    size_t offset, length;  // into m_text, without the line end
  };

  void EnsureLoaded() const;
  bool Writable() const { return m_state == LoadState::Ok || m_state == LoadState::Missing; }
  std::string_view LineText(size_t i) const { return {m_text.data() + m_lines[i].offset, m_lines[i].length}; }
  void Parse(std::string text) const;
  void InsertLine(size_t at, const std::string& text);
  std::string Render() const;
  bool Save();

  std::string m_path;
  int m_batchDepth = 0;
  bool m_dirty = false;  // memory holds changes the file lacks

  // The memory copy, filled at the first use, even through const access.
  mutable LoadState m_state = LoadState::NotLoaded;
  mutable std::string m_loadError;  // why an unreadable file could not be read
  mutable std::string m_text;       // lines point into it; replaced text is appended
  mutable std::vector<Line> m_lines;
  mutable bool m_endsWithNewline = true;
  mutable bool m_crlf = false;  // new lines follow the file's line ends
  // "section\0key" in lower case -> the first line holding it.
  mutable std::unordered_map<std::string, size_t> m_keyLines;
  // Section in lower case -> index after the last non-blank line of its last
  // occurrence, where a new key of the section goes.
  mutable std::unordered_map<std::string, size_t> m_sectionEnds;
};

// Folder of the settings: --config DIR, else $QUORVEX_CONFIG_DIR, else
// $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex.
std::string ConfigDirectory(const std::string& overrideDir = std::string());
// The user's home folder ($HOME, else the password database, else "/").
std::string HomeDirectory();
// A default Windows path of the original design mapped under the home folder:
// "C:\DCIM\100KXCAM" -> "<home>/DCIM/100KXCAM".
std::string MapDefaultPath(const std::string& windowsPath);

} // namespace qv
