#pragma once
// A settings section as a table: each key names the member it is loaded
// into and saved from, in the order the keys are written.
#include <cstddef>
#include <string>

#include "app/Profile.h"
#include "app/Settings.h"

namespace qv {

template <typename S>
struct ProfileKey {
  const char* name;
  int S::*intMember;
  std::string S::*stringMember;
  double S::*doubleMember;
};

template <typename S>
constexpr ProfileKey<S> IntKey(const char* name, int S::*m) { return {name, m, nullptr, nullptr}; }
template <typename S>
constexpr ProfileKey<S> StringKey(const char* name, std::string S::*m) { return {name, nullptr, m, nullptr}; }
template <typename S>
constexpr ProfileKey<S> DoubleKey(const char* name, double S::*m) { return {name, nullptr, nullptr, m}; }

// Missing or unreadable keys take the value of `defaults`.
template <typename S, size_t N>
void LoadProfileKeys(const CProfile& p, const char* section, const ProfileKey<S> (&keys)[N], const S& defaults,
                     S& into) {
  for (const ProfileKey<S>& k : keys) {
    if (k.intMember) {
      into.*k.intMember = p.GetInt(section, k.name, defaults.*k.intMember);
    } else if (k.stringMember) {
      into.*k.stringMember = p.GetString(section, k.name, defaults.*k.stringMember);
    } else if (auto v = p.Read(section, k.name)) {
      into.*k.doubleMember = ParseSettingDouble(*v);
    } else {
      into.*k.doubleMember = defaults.*k.doubleMember;
    }
  }
}

// Writes every key in table order; false when a write failed.
template <typename S, size_t N>
bool SaveProfileKeys(CProfile& p, const char* section, const ProfileKey<S> (&keys)[N], const S& from) {
  bool ok = true;
  for (const ProfileKey<S>& k : keys) {
    if (k.intMember)
      ok &= p.WriteInt(section, k.name, from.*k.intMember);
    else if (k.stringMember)
      ok &= p.WriteString(section, k.name, from.*k.stringMember);
    else
      ok &= p.WriteString(section, k.name, FormatSettingDouble(from.*k.doubleMember));
  }
  return ok;
}

} // namespace qv
