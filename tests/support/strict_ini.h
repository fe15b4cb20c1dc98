#pragma once

#include <map>
#include <string>
#include <string_view>

// A catalogue file read the way this system writes it, with nothing forgiven: every line ends
// in CR LF and is a section line, "key=value" or blank; no section appears twice and no key
// twice in its section (names compared without regard to ASCII case).
struct StrictIni {
  std::string problem;  // what is wrong with the file (a half line, a stray or twice-seen line)
  // Section name in lower case -> key as written -> value.
  std::map<std::string, std::map<std::string, std::string>> sections;

  // The value of `key` in `section` (lower case), or nullptr.
  const std::string* Find(const std::string& section, const std::string& key) const;
  // The value, or "(none)" when it is missing.
  std::string Get(const std::string& section, const std::string& key) const;
  // The entries of `section` (lower case); none when it is missing.
  std::map<std::string, std::string> Section(const std::string& section) const;
  size_t EntryCount() const;  // in all sections
};

StrictIni ReadStrictIni(std::string_view bytes);

// Returns the first entry of `before` that `after` lacks or holds with another value, as
// "[section] key=value"; "" when every entry is kept.
std::string FirstLostEntry(const StrictIni& before, const StrictIni& after);
