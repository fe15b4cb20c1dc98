#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/settings.h"
#include "frontend/window_state.h"

// Returns the value of key `r_name` in section `r_key` of program_folder/info.ini (note the
// order: key first, then section), at most 254 characters, trimmed of spaces.
std::string ReadInfoIni(const std::string& program_folder, const std::string& r_name,
                        const std::string& r_key);

// The most of a rules or description file that is read, and of a blurb, which the information
// label shows whole: these files come from strangers, and a 1 GB one must cost no more than a
// real one.
inline constexpr size_t kMaxTextFileBytes = 1 << 20;
inline constexpr size_t kMaxBlurbBytes = 64 << 10;

// Returns the content of the file `t_path` decoded as UTF-16LE (a byte-order mark stays a
// character, an odd last byte is dropped); "" when it cannot be read. Of a longer file only the
// first `max_bytes` are read, and a last line says that the text was cut.
std::string GetTextFile(const std::string& t_path, size_t max_bytes = kMaxTextFileBytes);

// The entries of the text folders, read once and then kept, so that a run of GetInfoText calls
// (a name view being filled) lists each folder once instead of once per file it lacks. Names
// match as OrdinaryFileExists matches them. It does not see later changes to the folders: keep
// it only for such a run.
class TextFolderCache {
 public:
  // Returns the ordinary file `name` of `folder` (which ends with "/"), spelt as on disk, or ""
  // when there is none.
  std::string Find(const std::string& folder, const std::string& name);

 private:
  struct Folder {
    std::string on_disk;  // "" when the folder does not exist
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> by_lower_case;  // first in byte order
  };
  std::unordered_map<std::string, Folder> folders_;
};

// The panel's rows of what a table needs to run and comes with: its ROM file ("ROM file:  found
// in …" or "missing (looked in …)", a clone's parent's too) for a PinMAME table, then its
// add-ons when it has any, as the simulator would find them now.
std::vector<std::string> ReadyToPlayRows(const std::string& program_folder,
                                         const FrontendSettings& settings,
                                         const std::string& vp_name, const WindowState& state);

// Builds the information text of the table `vp_name` (the selected File1 entry, its file name's
// own bytes; shown as FileNameText shows it) from the
// catalogue in `program_folder` and the text files, and updates the per-table variables of
// `state` as the selection handler does. Returns the text for lblInfo (lines joined by CR LF).
// The text files are looked up in `folders` when given, else on disk.
std::string GetInfoText(const std::string& vp_name, const std::string& program_folder,
                        const FrontendSettings& settings, WindowState& state,
                        TextFolderCache* folders = nullptr);
