#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "common/settings.h"
#include "common/vpinball_settings.h"

// The collection check: what in a table folder and its catalogue needs the owner's attention
// before it shows on the cabinet. Orvane lists it (F4); `tabrin FOLDER -report` prints it.

// The kinds of finding, in the order they are listed.
enum class CheckKind {
  kUnknownRom,       // the emulator's listing has no such game
  kNoGameInfo,       // a PinMAME table whose game information is missing or names no game
  kNoRomFile,        // its ROM.zip is not where the simulator looks
  kNoParentRomFile,  // a clone whose parent's zip is not there
  kNoTableInfo,      // no table information in the catalogue
  kNoSnapShot,
  kNoBackglass,
  kNoCabinet,
  kNoFlyer,
  kSharedRom,          // several tables for one ROM: variants of one game
  kSidecar,            // a NAME.vbs beside the table runs instead of its own script
  kLoneBackglassFile,  // a NAME.directb2s with no table NAME beside it
  kStrayArt,           // an image in a local art folder that no table shows
  kGone,               // a catalogue entry whose table file is gone
  kNotScanned,         // a table the catalogue does not know yet
};
inline constexpr size_t kCheckKinds = 15;

// The title of a kind, as the check lists it ("No snapshot").
std::string CheckKindTitle(CheckKind kind);

// One finding.
struct CheckRow {
  CheckKind kind;
  std::string table;  // the table's file name in the table folder; "" when the row names none
  std::string text;   // what the row shows
};

struct CollectionCheck {
  std::string folder;                        // the table folder checked
  size_t tables = 0;                         // table files in it
  std::vector<CheckRow> rows;                // by kind, then in table order
  std::array<size_t, kCheckKinds> counts{};  // rows per kind
};

// The artwork names of a table, in the order they are looked for: the alias (else the ROM
// name), the parent ROM, the base name without colons; each with an extension of
// kArtExtensions. An empty name stays in its place.
std::array<std::string, 3> ArtStems(const std::string& rom_name, const std::string& rom_alias,
                                    const std::string& parent, const std::string& base_name);
inline constexpr std::array<const char*, 2> kArtExtensions = {".png", ".jpg"};

// Checks the table folder settings.TablePath against the catalogue (names.ini, info.ini,
// alias.ini in `program_folder`) and the art folders of `settings`; the ROM files of the
// catalogue's ROM names (and of the parents their game information names) against the ROM
// folder the simulator takes for the folder as `user` runs it. Reads each file and folder once.
// Only with `whole_collection` (the folder is the one the catalogue is of) are catalogue entries
// whose table is gone, and artwork that no table shows, looked for. A row's text shows control
// characters in names as their pictures.
CollectionCheck CheckCollection(const std::string& program_folder, const FrontendSettings& settings,
                                bool whole_collection = true,
                                const UserFolders& user = UserFoldersFromEnvironment());

// The check as plain text: the counts of every kind, then the rows of each kind found.
std::string CheckReportText(const CollectionCheck& check);
