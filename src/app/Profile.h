#pragma once
// An INI file with private-profile semantics: each write replaces one key and
// keeps every other section, key, comment and blank line of the file.
#include <optional>
#include <string>
#include <vector>

namespace qv {

class CProfile {
public:
  CProfile() = default;
  explicit CProfile(std::string path) : m_path(std::move(path)) {}

  const std::string& Path() const { return m_path; }
  void SetPath(std::string path) { m_path = std::move(path); }

  // The value text with surrounding blanks (and one pair of quotes) removed,
  // or nothing when the file, the section or the key is missing.
  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;
  // A value that is not a decimal integer (after blanks) gives the default.
  int GetInt(const std::string& section, const std::string& key, int def) const;

  // Returns false when the file cannot be written; the old file then stays.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInt(const std::string& section, const std::string& key, int value);

private:
  std::vector<std::string> LoadLines() const;
  std::string m_path;
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
