#include "frontend/info_text.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "common/addons.h"
#include "common/catalogue_sections.h"
#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/rom_files.h"
#include "common/table_details.h"
#include "common/tables.h"
#include "common/vpinball_settings.h"
#include "frontend/play_stats.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kDashes = "-----------------------------------";

// Splits `value` at every "|"; there is no escape, so "a||b" gives three fields.
std::vector<std::string> SplitFields(const std::string& value) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t bar = value.find('|', start);
    if (bar == std::string::npos) {
      fields.push_back(value.substr(start));
      return fields;
    }
    fields.push_back(value.substr(start, bar - start));
    start = bar + 1;
  }
}

std::string WithoutColons(std::string text) {
  std::erase(text, ':');
  return text;
}

// The text file reader behind GetTextFile that also says when the file could not be read,
// which ends the information build.
std::optional<std::string> ReadUtf16File(const std::string& path, size_t max_bytes) {
  const std::string found = FindExistingPath(path);
  std::string bytes;
  // One byte more than is kept tells a file of exactly `max_bytes` from a longer one.
  if (found.empty() || !ReadFileStart(found, max_bytes + 1, bytes)) return std::nullopt;
  if (bytes.size() <= max_bytes) return Utf16LeToUtf8(bytes);
  bytes.resize(max_bytes & ~size_t{1});
  const std::string size = max_bytes >= (1 << 20) ? std::to_string(max_bytes >> 20) + " MiB"
                                                  : std::to_string(max_bytes >> 10) + " KiB";
  return Utf16LeToUtf8(bytes) + "\r\n\r\n[The text is cut here: only the first " + size +
         " of the file are shown.]";
}

// Collects the rows of the information text: CR LF between rows, none after the last.
class InfoRows {
 public:
  void Add(std::string_view row) {
    if (started_) text_ += kLineBreak;
    started_ = true;
    text_ += row;
  }
  void Add(std::string_view label, std::string_view value) {
    Add(label);
    text_ += value;
  }
  // Continues the last row; a multi-line blurb brings its own line breaks.
  void Append(std::string_view more) { text_ += more; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  bool started_ = false;
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string LowerCase(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

// True when `path` (as on disk) is an ordinary file: not hidden, and a file once links are
// followed.
bool IsOrdinaryFile(const std::string& path) {
  const std::string name = FileNameOf(path);
  std::error_code error;
  return !name.empty() && name.front() != '.' && std::filesystem::is_regular_file(path, error);
}

// Returns the text file `name` of `folder` spelt as on disk, or "" when there is none.
std::string FindTextFile(const std::string& folder, const std::string& name,
                         TextFolderCache* folders) {
  if (folders) return folders->Find(folder, name);
  const std::string path = folder + name;
  return OrdinaryFileExists(path) ? FindExistingPath(path) : std::string();
}

// The table-information block and the texts named after the table. Returns false when the
// build has to end here.
bool AddTableInfo(const std::string& program_folder, const FrontendSettings& settings,
                  WindowState& state, InfoRows& rows, TextFolderCache* folders) {
  const std::string value = ReadInfoIni(program_folder, state.BaseName, "Tabrin");
  if (value.empty()) return true;
  const std::vector<std::string> fields = SplitFields(value);
  if (fields.size() < 6) return false;
  rows.Add("");
  rows.Add("Visual Pinball Info:");
  rows.Add(kDashes);
  rows.Add("Table Name:  ", fields[0]);
  rows.Add("Author:  ", fields[1]);
  rows.Add("Version:  ", fields[2]);
  rows.Add("Release Date: ", fields[3]);
  rows.Add("Email:  ", fields[4]);
  rows.Add("Website:  ", fields[5]);

  state.TableName = fields[0];
  const std::string stem = WithoutColons(fields[0]);

  // Paths come back spelt as on disk, so the files can be opened on a case-sensitive system.
  const std::string blurb_file = FindTextFile(settings.BlurbPath, stem + ".txt", folders);
  if (!blurb_file.empty()) {
    rows.Add("Blurb:  ");
    const std::optional<std::string> blurb = ReadUtf16File(blurb_file, kMaxBlurbBytes);
    if (!blurb) return false;
    rows.Append(*blurb);
  }
  const std::string rules_file = FindTextFile(settings.RulesPath, stem + ".txt", folders);
  if (!rules_file.empty()) {
    const std::optional<std::string> rules = ReadUtf16File(rules_file, kMaxTextFileBytes);
    if (!rules) return false;
    state.RulesText = *rules;
    state.RulesFile = rules_file;
  }
  const std::string desc_file = FindTextFile(settings.DescPath, stem + ".txt", folders);
  if (!desc_file.empty()) {
    const std::optional<std::string> desc = ReadUtf16File(desc_file, kMaxTextFileBytes);
    if (!desc) return false;
    state.DescText = *desc;
    state.DescFile = desc_file;
  }
  return true;
}

// The game-information block. A missing field ends the build after the fields before it.
void AddGameInfo(const std::string& program_folder, WindowState& state, InfoRows& rows) {
  // Both spellings name one section, as section names ignore case.
  const std::string value = state.RomAlias.empty()
                                ? ReadInfoIni(program_folder, state.RomName, "PMinfo")
                                : ReadInfoIni(program_folder, state.RomAlias, "PMInfo");
  if (value.empty()) return;
  const std::vector<std::string> fields = SplitFields(value);
  std::string* const targets[] = {&state.PMName, &state.PMYear, &state.PMManufacturer,
                                  &state.PMParent};
  for (size_t i = 0; i < std::size(targets); ++i) {
    if (i >= fields.size()) return;
    *targets[i] = fields[i];
  }
  if (state.PMParent.empty()) state.PMParent = state.RomAlias;

  rows.Add("");
  rows.Add(state.VPOnly == 1 ? "Extended Info:" : "MAME Info:");
  rows.Add(kDashes);
  rows.Add("Name:  ", state.PMName);
  rows.Add("Manufacturer:  ", state.PMManufacturer);
  rows.Add("Year:  ", state.PMYear);
  rows.Add("Parent Rom:  ", state.PMParent);
}

}  // namespace

std::vector<std::string> ReadyToPlayRows(const std::string& program_folder,
                                         const FrontendSettings& settings,
                                         const std::string& vp_name, const WindowState& state) {
  std::vector<std::string> rows;
  const std::string table_folder = WithoutTrailingSlashes(settings.TablePath);
  const std::string table_path = PathInFolder(table_folder, vp_name);
  std::string pinmame_folder;
  if (state.VPOnly != 1 && IsRomName(state.RomName)) {
    const PinMameDefaults defaults = ReadPinMameDefaults(UserFoldersFromEnvironment());
    const RomFileSearch search = FindRomFile(state.RomName, table_folder, defaults);
    rows.push_back(RomFileLine(search));
    pinmame_folder = search.pinmame_folder;
    const std::string game_info = ReadInfoIni(
        program_folder, state.RomAlias.empty() ? state.RomName : state.RomAlias, "PMInfo");
    const std::string parent = CloneParent(state.RomName, state.RomAlias, game_info);
    if (!parent.empty())
      rows.push_back(RomFileLine(FindRomFile(parent, table_folder, defaults), true));
  }
  const std::vector<AddOn> add_ons =
      FindAddOns(table_path, state.VPOnly != 1 ? state.RomName : std::string(), pinmame_folder);
  if (!add_ons.empty()) rows.push_back(AddOnsLine(add_ons));
  return rows;
}

std::string ReadInfoIni(const std::string& program_folder, const std::string& r_name,
                        const std::string& r_key) {
  return ProfileRead(r_key, r_name, program_folder + "/info.ini");
}

std::string GetTextFile(const std::string& t_path, size_t max_bytes) {
  return ReadUtf16File(t_path, max_bytes).value_or(std::string());
}

std::string TextFolderCache::Find(const std::string& folder, const std::string& name) {
  // Anything but a plain name in a folder ending with "/" goes to the disk, as without a cache.
  if (folder.size() < 2 || folder.back() != '/' || name.empty() ||
      name.find('/') != std::string::npos) {
    return FindTextFile(folder, name, nullptr);
  }
  const auto [it, added] = folders_.try_emplace(folder);
  Folder& entries = it->second;
  if (added) {
    entries.on_disk = FindExistingPath(folder.substr(0, folder.size() - 1));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(entries.on_disk, error)) {
      std::string entry_name = entry.path().filename().string();
      std::string& first = entries.by_lower_case[LowerCase(entry_name)];
      if (first.empty() || entry_name < first) first = entry_name;
      entries.names.insert(std::move(entry_name));
    }
  }
  if (entries.on_disk.empty()) return {};
  // The exact spelling first; else the first spelling in byte order that matches ignoring case.
  std::string on_disk = name;
  if (!entries.names.contains(name)) {
    const auto match = entries.by_lower_case.find(LowerCase(name));
    if (match == entries.by_lower_case.end()) return {};
    on_disk = match->second;
  }
  const std::string path = entries.on_disk + "/" + on_disk;
  return IsOrdinaryFile(path) ? path : std::string();
}

std::string GetInfoText(const std::string& vp_name, const std::string& program_folder,
                        const FrontendSettings& settings, WindowState& state,
                        TextFolderCache* folders) {
  // The game fields are not reset: they change only when a game entry is found.
  state.PMParent.clear();
  state.TableName.clear();
  state.RulesFile.clear();
  state.DescFile.clear();
  state.RulesText.clear();
  state.DescText.clear();
  state.SnapFile.clear();
  state.FlyerFile.clear();
  state.BackglassFile.clear();
  state.CabFile.clear();

  const bool vp_only = state.VPOnly == 1;
  InfoRows rows;
  rows.Add("File Info:");
  rows.Add(kDashes);
  rows.Add("Vpt Name: ", FileNameText(vp_name));
  rows.Add(vp_only ? "Table Type:  Visual Pinball" : "Table Type:  PinMAME");
  rows.Add(vp_only ? "Base Name:  " : "Rom Name:  ", state.RomName);
  if (!state.RomAlias.empty()) rows.Add("Alias:  ", state.RomAlias);
  // Where the ROM name came from, or why there is none, as the extractor found it.
  const std::string key = TableKey(vp_name);
  const std::string info_ini = program_folder + "/info.ini";
  if (const std::string found = ProfileRead(kRomSourceSection, key, info_ini); !found.empty()) {
    rows.Add("  " + found);
    const std::string via = ProfileRead(kRomViaSection, key, info_ini);
    if (!via.empty()) rows.Add("  via " + via);
  }
  for (const std::string& row : PlayStatsRows(ReadPlayStats(program_folder, key))) rows.Add(row);
  for (const std::string& row : ReadyToPlayRows(program_folder, settings, vp_name, state)) {
    rows.Add(row);
  }
  // A details file beside the table (NAME.info) says what the table's own information often
  // lacks.
  if (const std::optional<TableDetails> details =
          ReadTableDetails(PathInFolder(WithoutTrailingSlashes(settings.TablePath), vp_name))) {
    rows.Add("");
    rows.Add("Table Details:");
    rows.Add(kDashes);
    rows.Add("Title:  ", details->title);
    rows.Add("Manufacturer:  ", details->manufacturer);
    rows.Add("Year:  ", details->year);
    rows.Add("Authors:  ", details->authors);
  }

  // From here on the first failure ends the build, keeping what was reached.
  if (AddTableInfo(program_folder, settings, state, rows, folders)) {
    AddGameInfo(program_folder, state, rows);
  }
  return rows.Take();
}
