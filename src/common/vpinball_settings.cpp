#include "common/vpinball_settings.h"

#include <cstdlib>

#include "common/paths.h"
#include "common/text.h"

namespace {

// The real file holds a few hundred keys with their comments: well under a megabyte.
constexpr size_t kMaxSettingsBytes = size_t{4} << 20;

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLowerCopy(std::string(a)) == AsciiLowerCopy(std::string(b));
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

UserFolders UserFoldersFromEnvironment() {
  UserFolders user{.home = EnvironmentValue("HOME"),
                   .data_home = EnvironmentValue("XDG_DATA_HOME")};
  // As the XDG base directory rules have it: an empty or relative XDG_DATA_HOME counts as unset.
  if (!IsAbsolutePath(user.data_home)) {
    user.data_home = user.home.empty() ? std::string() : user.home + "/.local/share";
  }
  return user;
}

std::string VPinballSettingsFile(const UserFolders& user) {
  for (const std::string& candidate :
       {user.data_home.empty() ? std::string() : user.data_home + "/VPinballX/10.8/VPinballX.ini",
        user.home.empty() ? std::string() : user.home + "/.vpinball/VPinballX.ini"}) {
    if (candidate.empty()) continue;
    const std::string found = FindExistingPath(candidate);
    if (!found.empty() && OrdinaryFileExists(found)) return found;
  }
  return {};
}

std::string VPinballSetting(const std::string& file, std::string_view section,
                            std::string_view key) {
  std::string text;
  if (file.empty() || !ReadFileStart(file, kMaxSettingsBytes + 1, text) ||
      text.size() > kMaxSettingsBytes) {
    return {};
  }
  std::string_view rest(text);
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  bool in_section = false;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = TrimBlanks(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.ends_with('\r')) line = TrimBlanks(line.substr(0, line.size() - 1));
    // A comment line (";" or "#") names no key: its name starts with the mark.
    if (line.starts_with('[')) {
      const size_t close = line.find(']');
      in_section = close != std::string_view::npos && SameName(line.substr(1, close - 1), section);
      continue;
    }
    const size_t equals = line.find('=');
    if (!in_section || equals == std::string_view::npos ||
        !SameName(TrimBlanks(line.substr(0, equals)), key)) {
      continue;
    }
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

std::string PinMamePathSetting(const std::string& file) {
  std::string path = VPinballSetting(file, "Plugin.PinMAME", "PinMAMEPath");
  if (path.empty()) path = VPinballSetting(file, "Standalone", "PinMAMEPath");
  return path.empty() ? path : WithoutTrailingSlashes(path);
}
