#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/vpinball_settings.h"

// Where the simulator finds a PinMAME table's ROM file NAME.zip. It takes one PinMAME folder, the
// first of: the table folder's "pinmame" when that holds a "roms" folder; the folder its settings
// name (PinMAMEPath); HOME/.pinmame. The zips are in that folder's "roms"; a clone also needs
// its parent's zip there. Names match without regard to letter case.

// The places that do not depend on the table, read once for many tables.
struct PinMameDefaults {
  std::string settings_folder;  // PinMAMEPath of the simulator's settings; "" when unset
  std::string home_folder;      // HOME/.pinmame; "" without HOME
};

// Reads them for `user` (its settings file once).
PinMameDefaults ReadPinMameDefaults(const UserFolders& user);

// The ROM folders that the simulator looks at for a table in `table_folder`, each ending in "/",
// in its order; the last is the one it takes, and its parent the PinMAME folder.
std::vector<std::string> RomFolders(const std::string& table_folder,
                                    const PinMameDefaults& defaults);

// Where a ROM file was looked for, and found.
struct RomFileSearch {
  std::string rom;                     // the ROM name looked for
  std::string found;                   // the zip as on disk; "" when missing
  std::vector<std::string> looked_in;  // RomFolders, in order
  std::string pinmame_folder;          // the PinMAME folder the simulator takes, ending in "/"
};

// Looks for `rom`.zip as the simulator would for a table in `table_folder`. A name that is no ROM
// name (IsRomName) is never found.
RomFileSearch FindRomFile(const std::string& rom, const std::string& table_folder,
                          const PinMameDefaults& defaults);

// True when `text` is a ROM name: 1 to 64 characters, ASCII letters, digits, "_", "-" and ".",
// the first a letter or a digit. Anything else that a script, a listing or a hand-edited
// catalogue gives as a ROM name (a path, a command, a control character, a whole file) names no
// ROM, and never becomes a path.
bool IsRomName(std::string_view text);

// The parent ROM of a clone from its game information entry `game_info` (description|year|
// manufacturer|parent, as info.ini [PMInfo] keeps it under `alias`, else `rom`); "" for a game
// that is no clone, has no entry, or whose parent is no ROM name.
std::string CloneParent(const std::string& rom, const std::string& alias,
                        const std::string& game_info);

// The line that tells where it is: "ROM file:  found in PATH", or "ROM file:  missing (looked
// in FOLDER, FOLDER)"; "Parent ROM file:  …" for a parent's. Control characters are shown as
// their pictures.
std::string RomFileLine(const RomFileSearch& search, bool parent = false);
