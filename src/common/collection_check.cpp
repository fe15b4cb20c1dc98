#include "common/collection_check.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "common/catalogue_sections.h"
#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/rom_files.h"
#include "common/tables.h"
#include "common/text.h"

namespace {

// Catalogue keys and file names compare without regard to case, as the profile files and the
// artwork search compare them.
std::string ValueOf(const std::unordered_map<std::string, std::string>& section,
                    const std::string& key) {
  const auto found = section.find(LowerCaseName(key));
  return found == section.end() ? std::string() : found->second;
}

// The ordinary, non-hidden files of a folder (which may end with "/"); none for an unset one.
std::vector<std::string> FilesOf(const std::string& folder) {
  return folder.empty() ? std::vector<std::string>()
                        : ListFiles(WithoutTrailingSlashes(folder), "*");
}

bool IsArtFile(const std::string& lower_name) {
  for (const char* extension : kArtExtensions) {
    if (lower_name.ends_with(extension) && lower_name.size() > std::string_view(extension).size()) {
      return true;
    }
  }
  return false;
}

struct ArtFolderPair {
  const std::string* local;
  const std::string* mame;
  CheckKind missing;
};

}  // namespace

std::string CheckKindTitle(CheckKind kind) {
  switch (kind) {
    case CheckKind::kUnknownRom:
      return "ROM unknown to the emulator";
    case CheckKind::kNoGameInfo:
      return "PinMAME table without MAME information";
    case CheckKind::kNoRomFile:
      return "ROM file missing";
    case CheckKind::kNoParentRomFile:
      return "Parent ROM file missing";
    case CheckKind::kNoTableInfo:
      return "No table information";
    case CheckKind::kNoSnapShot:
      return "No snapshot";
    case CheckKind::kNoBackglass:
      return "No backglass";
    case CheckKind::kNoCabinet:
      return "No cabinet";
    case CheckKind::kNoFlyer:
      return "No flyer";
    case CheckKind::kSharedRom:
      return "Several tables for one ROM";
    case CheckKind::kSidecar:
      return "Sidecar script";
    case CheckKind::kLoneBackglassFile:
      return "Backglass file without its table";
    case CheckKind::kStrayArt:
      return "Artwork of no table";
    case CheckKind::kGone:
      return "Catalogue entry without its table";
    case CheckKind::kNotScanned:
      break;
  }
  return "Not in the catalogue yet";
}

std::array<std::string, 3> ArtStems(const std::string& rom_name, const std::string& rom_alias,
                                    const std::string& parent, const std::string& base_name) {
  std::string base = base_name;
  std::erase(base, ':');
  // With an alias the ROM name is not tried at all.
  return {rom_alias.empty() ? rom_name : rom_alias, parent, base};
}

CollectionCheck CheckCollection(const std::string& program_folder, const FrontendSettings& settings,
                                bool whole_collection, const UserFolders& user) {
  CollectionCheck check;
  const std::string folder = WithoutTrailingSlashes(settings.TablePath);
  check.folder = folder;
  const std::vector<std::string> tables = ListTableFiles(folder);
  check.tables = tables.size();

  const std::string names_ini = program_folder + "/names.ini";
  const std::string info_ini = program_folder + "/info.ini";
  const auto base_names = ProfileSectionByLowerKey("VP", names_ini);
  const auto rom_names = ProfileSectionByLowerKey("PinMAME", names_ini);
  const auto aliases = ProfileSectionByLowerKey("Alias", program_folder + "/alias.ini");
  const auto game_info = ProfileSectionByLowerKey("PMInfo", info_ini);
  const auto table_info = ProfileSectionByLowerKey("Tabrin", info_ini);
  const auto not_in_emulator = ProfileSectionByLowerKey(kNotInEmulatorSection, info_ini);

  const std::vector<std::string> folder_listing = FilesOf(folder);
  std::unordered_set<std::string> folder_files;
  for (const std::string& name : folder_listing) folder_files.insert(LowerCaseName(name));
  // Every table of the folder has the same ROM folder: listed once.
  const std::string rom_folder = RomFolders(folder, ReadPinMameDefaults(user)).back();
  std::unordered_set<std::string> rom_files;
  for (const std::string& name : FilesOf(rom_folder)) rom_files.insert(LowerCaseName(name));
  const auto no_zip = [&rom_files](const std::string& rom) {
    return !IsRomName(rom) || !rom_files.contains(LowerCaseName(rom + ".zip"));
  };

  const ArtFolderPair art_folders[] = {
      {&settings.SnapPath2, &settings.SnapPath, CheckKind::kNoSnapShot},
      {&settings.BackglassPath2, &settings.BackglassPath, CheckKind::kNoBackglass},
      {&settings.CabPath2, &settings.CabPath, CheckKind::kNoCabinet},
      {&settings.FlyerPath2, &settings.FlyerPath, CheckKind::kNoFlyer},
  };
  // Per kind, the lower-case names of the images in both folders; and the local images in order.
  std::array<std::unordered_set<std::string>, 4> art;
  std::array<std::vector<std::string>, 4> local_art;
  for (size_t k = 0; k < 4; ++k) {
    local_art[k] = FilesOf(*art_folders[k].local);
    for (const std::string& name : local_art[k]) art[k].insert(LowerCaseName(name));
    if (*art_folders[k].mame != *art_folders[k].local) {
      for (const std::string& name : FilesOf(*art_folders[k].mame))
        art[k].insert(LowerCaseName(name));
    }
  }

  std::array<std::vector<CheckRow>, kCheckKinds> by_kind;
  const auto add = [&by_kind](CheckKind kind, const std::string& table, const std::string& text) {
    by_kind[static_cast<size_t>(kind)].push_back({kind, table, ShowControls(FileNameText(text))});
  };
  std::unordered_set<std::string> claimed_art;  // lower-case names some table shows
  std::unordered_set<std::string> present_keys;
  std::map<std::string, std::vector<std::string>> tables_by_rom;  // lower-case ROM, in order

  for (const std::string& table : tables) {
    const std::string key = TableKey(table);
    present_keys.insert(LowerCaseName(key));
    const std::string stem = table.substr(0, table.size() - 4);
    if (folder_files.contains(LowerCaseName(stem + ".vbs")))
      add(CheckKind::kSidecar, table, table + "  (" + stem + ".vbs)");

    const std::string base = ValueOf(base_names, key);
    const std::string rom = ValueOf(rom_names, key);
    if (base.empty() && rom.empty()) {
      add(CheckKind::kNotScanned, table, table);
      continue;
    }
    std::string parent;
    const std::string alias = rom.empty() ? std::string() : ValueOf(aliases, rom);
    if (!rom.empty()) {
      tables_by_rom[LowerCaseName(rom)].push_back(table);
      const std::string game = alias.empty() ? rom : alias;
      const std::string info = ValueOf(game_info, game);
      if (ValueOf(not_in_emulator, game) == "1") {
        add(CheckKind::kUnknownRom, table, table + "  (ROM " + game + ")");
      } else if (FieldAt(info, 0).empty()) {  // none, or no more than the parent
        add(CheckKind::kNoGameInfo, table, table + "  (ROM " + game + ")");
      }
      if (no_zip(rom)) add(CheckKind::kNoRomFile, table, table + "  (" + rom + ".zip)");
      const std::string clone_of = CloneParent(rom, alias, info);
      if (!clone_of.empty() && no_zip(clone_of)) {
        add(CheckKind::kNoParentRomFile, table,
            table + "  (" + clone_of + ".zip, parent of " + rom + ")");
      }
      parent = info.empty() ? std::string() : FieldAt(info, 3);
      if (parent.empty()) parent = alias;
    }
    if (!base.empty() && ValueOf(table_info, base).empty()) {
      add(CheckKind::kNoTableInfo, table, table);
    }

    // The image names this table shows, the same for every kind.
    std::vector<std::string> shown;
    for (const std::string& name : ArtStems(rom, alias, parent, base)) {
      if (name.empty()) continue;
      for (const char* extension : kArtExtensions) {
        shown.push_back(LowerCaseName(name + extension));
        claimed_art.insert(shown.back());
      }
    }
    for (size_t k = 0; k < 4; ++k) {
      if (std::none_of(shown.begin(), shown.end(),
                       [&art, k](const std::string& file) { return art[k].contains(file); })) {
        add(art_folders[k].missing, table, table);
      }
    }
  }

  // A backglass file whose table is gone or was renamed: the simulator shows it for no table.
  for (const std::string& name : folder_listing) {
    const std::string lower = LowerCaseName(name);
    if (!lower.ends_with(".directb2s")) continue;  // listings hold no hidden ".directb2s"
    const std::string stem = lower.substr(0, lower.size() - 10);
    if (!folder_files.contains(stem + ".vpx") && !folder_files.contains(stem + ".vpt")) {
      add(CheckKind::kLoneBackglassFile, "", name);
    }
  }
  for (const auto& [rom, sharing] : tables_by_rom) {
    if (sharing.size() < 2) continue;
    for (const std::string& table : sharing) {
      add(CheckKind::kSharedRom, table,
          table + "  (ROM " + rom + ", " + std::to_string(sharing.size()) + " tables)");
    }
  }
  std::unordered_set<std::string> seen_folders;
  for (size_t k = 0; k < 4 && whole_collection; ++k) {
    const std::string local = WithTrailingSlash(*art_folders[k].local);
    if (!seen_folders.insert(local).second) continue;  // one folder for several kinds
    for (const std::string& name : local_art[k]) {
      const std::string lower = LowerCaseName(name);
      if (IsArtFile(lower) && !claimed_art.contains(lower)) {
        add(CheckKind::kStrayArt, "", local + name);
      }
    }
  }
  std::unordered_set<std::string> gone;
  for (const auto* section : {&base_names, &rom_names}) {
    for (const auto& [lower_key, value] : *section) {
      if (!present_keys.contains(lower_key)) gone.insert(lower_key);
    }
  }
  // Listed as names.ini spells them, in its order.
  for (const char* section : {"VP", "PinMAME"}) {
    if (!whole_collection) break;
    for (const auto& [key, value] : ProfileReadSection(section, names_ini)) {
      if (gone.erase(LowerCaseName(key)) > 0) add(CheckKind::kGone, "", key);
    }
  }

  for (size_t k = 0; k < kCheckKinds; ++k) {
    check.counts[k] = by_kind[k].size();
    for (CheckRow& row : by_kind[k]) check.rows.push_back(std::move(row));
  }
  return check;
}

std::string CheckReportText(const CollectionCheck& check) {
  std::string text = "Collection check of " + ShowControls(FileNameText(check.folder)) + ": " +
                     std::to_string(check.tables) + " tables, " +
                     std::to_string(check.rows.size()) + " findings\n";
  for (size_t k = 0; k < kCheckKinds; ++k) {
    std::string count = std::to_string(check.counts[k]);
    text += std::string(count.size() < 6 ? 6 - count.size() : 0, ' ') + count + "  " +
            CheckKindTitle(static_cast<CheckKind>(k)) + "\n";
  }
  for (size_t k = 0; k < kCheckKinds; ++k) {
    if (check.counts[k] == 0) continue;
    text += "\n" + CheckKindTitle(static_cast<CheckKind>(k)) + ":\n";
    for (const CheckRow& row : check.rows) {
      if (row.kind == static_cast<CheckKind>(k)) text += "  " + row.text + "\n";
    }
  }
  return text;
}
