#pragma once

#include <string>
#include <string_view>

// The simulator's own settings file (VPinballX.ini), read for the few values that say where it
// finds a table's files. The file is the simulator's: UTF-8, "Key = Value" lines, sections and
// keys in any letter case. Only read, never written.

// The folders of the user the simulator runs as.
struct UserFolders {
  std::string home;       // HOME; "" when unset
  std::string data_home;  // XDG_DATA_HOME, else home + "/.local/share"; "" without either
};

// The user's folders from the environment (HOME, XDG_DATA_HOME).
UserFolders UserFoldersFromEnvironment();

// The simulator's settings file: data_home/VPinballX/10.8/VPinballX.ini (10.8.1 and later) when
// it exists, else home/.vpinball/VPinballX.ini (earlier releases) when that does, else "".
std::string VPinballSettingsFile(const UserFolders& user);

// The value of `key` in `section` of the simulator's settings file `file`, trimmed of blanks and
// of one pair of double quotes; "" when the file cannot be read (or is larger than 4 MiB), or
// holds no such value.
std::string VPinballSetting(const std::string& file, std::string_view section,
                            std::string_view key);

// The PinMAME folder named in the settings file `file`: PinMAMEPath of [Plugin.PinMAME] (the
// plugin of 10.8.1 and later), else of [Standalone] (10.8.0); without a trailing "/"; "" when
// neither is set.
std::string PinMamePathSetting(const std::string& file);
