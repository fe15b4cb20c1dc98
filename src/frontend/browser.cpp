#include "frontend/browser.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/process_runner.h"
#include "common/profile.h"
#include "common/tables.h"
#include "common/text.h"
#include "frontend/play_stats.h"

void ReadIdentity(const std::string& program_folder, const std::string& key, WindowState& state) {
  const std::string names = program_folder + "/names.ini";
  state.VPOnly = 0;
  state.RomName = ProfileRead("PinMAME", key, names);
  const std::string base_name = ProfileRead("VP", key, names);
  if (!state.RomName.empty()) {
    state.BaseName = base_name;
  } else {
    // A plain table goes by its base name wherever a ROM name would be used.
    state.RomName = base_name;
    state.BaseName = base_name;
    state.VPOnly = 1;
  }
  state.RomAlias = ProfileRead("Alias", state.RomName, program_folder + "/alias.ini");
}

bool NeedsScan(const FrontendSettings& settings, const WindowState& state) {
  return settings.ScanIfNotFound == 1 && (state.RomName.empty() || state.BaseName.empty());
}

// File names come from strangers: a quote in one must not end the path and hand the rest to
// the program as option words ("-clear" would delete the catalogue).
std::string ExtractorArguments(const std::string& file_folder, const std::string& vp_name) {
  return QuotedArgument(file_folder + "/" + vp_name) + " -exit -hide";
}

bool ReadIni(const std::string& vp_name, const std::string& file_folder,
             const std::string& program_folder, const FrontendSettings& settings,
             WindowState& state, const ExtractorRunner& run) {
  const std::string key = TableKey(vp_name);
  ReadIdentity(program_folder, key, state);
  if (!NeedsScan(settings, state)) return true;
  std::string folder = program_folder + "/";
  if (run && !run(folder, kExtractorProgram, ExtractorArguments(file_folder, vp_name))) {
    return false;
  }
  // One run per selection: what it left is what the table gets.
  ReadIdentity(program_folder, key, state);
  return true;
}

int16_t NextViewMode(int16_t view_mode) {
  const int next = view_mode + 1;
  return static_cast<int16_t>(next > 2 ? 0 : next);
}

std::string ViewButtonCaption(int16_t view_mode) {
  switch (view_mode) {
    case 1:
      return "View by Table Name";
    case 2:
      return "View by File Name";
    default:
      return "View by PinMAME Name";
  }
}

void ClearForNameEntry(int16_t view_mode, WindowState& state) {
  state.PMName.clear();
  state.RomAlias.clear();
  if (view_mode == 2) state.TableName.clear();
}

std::string NameListText(int16_t view_mode, const WindowState& state) {
  if (view_mode == 2 && !state.TableName.empty()) return state.TableName;
  if (!state.PMName.empty()) return state.PMName;
  if (!state.RomAlias.empty()) return state.RomAlias;
  return state.RomName;
}

std::string FavouriteMarked(const std::string& name, bool favourite) {
  return favourite ? kFavouriteMark + name : name;
}

std::string FileSearchText(const std::string& file_name) {
  const std::string text = FileNameText(file_name);
  return FoldForSearch(IsTableFile(text) ? text.substr(0, text.size() - 4) : text);
}

std::vector<std::string> ArrangeNameEntries(std::vector<NameEntry>& entries, bool by_name) {
  std::vector<std::string> folded;
  folded.reserve(entries.size());
  std::unordered_map<std::string, int> uses;
  for (const NameEntry& entry : entries) {
    folded.push_back(FoldForSearch(entry.name));
    ++uses[folded.back()];
  }
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (by_name) {
    // A table without a name says nothing by its place: those come last.
    std::stable_sort(order.begin(), order.end(), [&folded](size_t a, size_t b) {
      if (folded[a].empty() != folded[b].empty()) return folded[b].empty();
      return folded[a] < folded[b];
    });
  }
  std::vector<NameEntry> arranged;
  std::vector<std::string> shown;
  arranged.reserve(entries.size());
  shown.reserve(entries.size());
  for (const size_t i : order) {
    const std::string& name = entries[i].name;
    if (uses[folded[i]] < 2) {
      shown.push_back(name);
    } else {
      shown.push_back((name.empty() ? "(" : name + " (") + FileNameText(entries[i].file) + ")");
    }
    arranged.push_back(std::move(entries[i]));
  }
  entries = std::move(arranged);
  return shown;
}

bool IsLauncher(const std::string& vp_exe) {
  if (vp_exe.size() < 4) return false;
  std::string start = vp_exe.substr(0, 4);
  for (char& c : start) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return start == "vp-l";
}

bool IsOldVisualPinball(const std::string& vp_exe) {
  const std::string name = AsciiLowerCopy(FileNameOf(vp_exe));
  return name.size() > 8 && name.starts_with("vpinball") && name[8] >= '0' && name[8] <= '9';
}

std::string LaunchArguments(const std::string& vp_exe, bool launcher_mode,
                            const std::string& table_path, const std::string& file_name) {
  // Quoted, the path stays one argument when the line is split into the program's arguments
  // here, as it is one on a platform that hands over the whole line.
  const std::string path = QuotedArgument(table_path + file_name);
  if (launcher_mode) return path;
  // Current releases take the path as an argument of its own and no longer strip a "-" from it.
  return (IsOldVisualPinball(vp_exe) ? "-play -" : "-play ") + path;
}

ListKeyAction ActionForKey(int16_t key_code) {
  switch (key_code) {
    case kKeyReturn:
    case kKeyControl:
      return ListKeyAction::kLaunch;
    case kKeyF5:
      return ListKeyAction::kReread;
    case kKeyF2:
      return ListKeyAction::kFavourite;
    case kKeyF3:
      return ListKeyAction::kSort;
    case kKeyF4:
      return ListKeyAction::kCheck;
    case kKeyF6:
      return ListKeyAction::kSettings;
    case kKeyEscape:
      return ListKeyAction::kClearFilter;
    default:
      return ListKeyAction::kNone;
  }
}
