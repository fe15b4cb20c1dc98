#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/settings.h"
#include "frontend/window_state.h"

// The table browser's logic over plain data: catalogue identity, extractor and launch command
// lines, the name views and the keys. The window only feeds it and shows the results.

// The extractor's program name in the program folder.
inline constexpr char kExtractorProgram[] = "tabrin";

// Reads the identity of the table `key` from names.ini and alias.ini in `program_folder`:
// VPOnly, RomName, BaseName and RomAlias. A missing file or entry reads as "".
void ReadIdentity(const std::string& program_folder, const std::string& key, WindowState& state);

// True when the catalogue does not know the selected table well enough and the settings ask
// for a scan: ScanIfNotFound is exactly 1 and RomName or BaseName is empty.
bool NeedsScan(const FrontendSettings& settings, const WindowState& state);

// Returns the extractor's arguments for the table file `vp_name` of the folder `file_folder`
// (File1's folder, without a trailing separator): the quoted table path, then " -exit -hide".
std::string ExtractorArguments(const std::string& file_folder, const std::string& vp_name);

// Runs the extractor with these arguments in program folder + "/" and returns when it has
// ended: true when the selection it ran for is still the one to show.
using ExtractorRunner = std::function<bool(std::string& folder, const std::string& program,
                                           const std::string& arguments)>;

// Reads the catalogue identity of the File1 entry `vp_name` into `state`. When the catalogue
// does not know it and the settings ask for it, runs the extractor once through `run` and reads
// again, whatever the run left. Returns false, leaving `state` as whatever ran meanwhile left it,
// when another selection was made while the extractor ran.
bool ReadIni(const std::string& vp_name, const std::string& file_folder,
             const std::string& program_folder, const FrontendSettings& settings,
             WindowState& state, const ExtractorRunner& run);

// Returns the view after `view_mode`: 0, 1, 2, then 0 again.
int16_t NextViewMode(int16_t view_mode);

// Returns the caption of cmdList while `view_mode` is shown: it names the next view.
std::string ViewButtonCaption(int16_t view_mode);

// Empties what a name view entry must not inherit from the table before it: PMName and
// RomAlias, and in the table-name view also TableName.
void ClearForNameEntry(int16_t view_mode, WindowState& state);

// Returns the name-list text of the selected table in view 1 or 2: the first non-empty of
// (TableName,) PMName, RomAlias, else RomName even when that is empty.
std::string NameListText(int16_t view_mode, const WindowState& state);

// The mark before a favourite's name in the lists and on the favourite button.
inline constexpr char kFavouriteMark[] = "\u2605 ";

// Returns `name` after the favourite mark when `favourite`, else `name`.
std::string FavouriteMarked(const std::string& name, bool favourite);

// What the filter matches for the table file `file_name` (its own bytes): its shown name
// without the table extension, folded as FoldForSearch folds it, so that ".vpx" finds nothing.
std::string FileSearchText(const std::string& file_name);

// One entry of a name view: the table file (its own bytes) and the name found for it.
struct NameEntry {
  std::string file;
  std::string name;
};

// Puts the entries of a name view (given in the file list's order) in the view's order: by name
// folded as the filter folds it when `by_name` (so "Élan" sorts with E; empty names last;
// equal names keep the order given), else as given. Returns the text shown for each, in the new
// order: its name, or, where several entries show one name (folded alike), the name and the file
// name in brackets, "Attack From Mars (afm.vpx)", so that they can be told apart.
std::vector<std::string> ArrangeNameEntries(std::vector<NameEntry>& entries, bool by_name);

// True when `vp_exe` names a launcher: its first four characters, in lower case, are "vp-l".
bool IsLauncher(const std::string& vp_exe);

// True when `vp_exe` is one of the old simulators, whose file names begin "VPinball" and a digit
// ("VPinball912.exe"): they take "-play -" and the quoted path, and strip the "-".
bool IsOldVisualPinball(const std::string& vp_exe);

// Returns the arguments that start the table `file_name` of the folder `table_path` (the two
// joined without a separator) with the program `vp_exe`: for a launcher the bare path; for an old
// simulator "-play -" and the path; for every other program (VPinballX_GL, VPinballX_BGFX and
// wrappers) "-play" and the path as two arguments. The path is quoted as one argument.
std::string LaunchArguments(const std::string& vp_exe, bool launcher_mode,
                            const std::string& table_path, const std::string& file_name);

// What a key pressed in a list does.
enum class ListKeyAction {
  kNone,
  kLaunch,
  kReread,
  kFavourite,
  kSort,
  kCheck,
  kClearFilter,
  kSettings
};

// Virtual key codes of the keys the lists act on.
inline constexpr int16_t kKeyReturn = 13;
inline constexpr int16_t kKeyControl = 17;
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeyF2 = 113;
inline constexpr int16_t kKeyF3 = 114;
inline constexpr int16_t kKeyF4 = 115;
inline constexpr int16_t kKeyF5 = 116;
inline constexpr int16_t kKeyF6 = 117;

// Returns what the key `key_code` does; the shift state plays no part.
ListKeyAction ActionForKey(int16_t key_code);
