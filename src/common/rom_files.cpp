#include "common/rom_files.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/text.h"

PinMameDefaults ReadPinMameDefaults(const UserFolders& user) {
  return {.settings_folder = PinMamePathSetting(VPinballSettingsFile(user)),
          .home_folder = user.home.empty() ? std::string() : user.home + "/.pinmame"};
}

std::vector<std::string> RomFolders(const std::string& table_folder,
                                    const PinMameDefaults& defaults) {
  const std::string beside = WithTrailingSlash(table_folder) + "pinmame/roms";
  const std::string found = FindExistingPath(beside);
  if (!found.empty() && FolderExists(found)) return {found + "/"};
  std::vector<std::string> folders = {beside + "/"};
  const std::string& chosen =
      defaults.settings_folder.empty() ? defaults.home_folder : defaults.settings_folder;
  if (!chosen.empty()) {
    const std::string roms = WithTrailingSlash(chosen) + "roms";
    const std::string on_disk = FindExistingPath(roms);
    folders.push_back((on_disk.empty() ? roms : on_disk) + "/");
  }
  return folders;
}

RomFileSearch FindRomFile(const std::string& rom, const std::string& table_folder,
                          const PinMameDefaults& defaults) {
  RomFileSearch search{.rom = rom, .looked_in = RomFolders(table_folder, defaults)};
  const std::string& roms = search.looked_in.back();
  // The folder above "roms/".
  search.pinmame_folder = roms.substr(0, roms.rfind('/', roms.size() - 2) + 1);
  if (!IsRomName(rom)) return search;
  const std::string zip = FindExistingPath(roms + rom + ".zip");
  if (!zip.empty() && OrdinaryFileExists(zip)) search.found = zip;
  return search;
}

bool IsRomName(std::string_view text) {
  const auto letter_or_digit = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  };
  return !text.empty() && text.size() <= 64 && letter_or_digit(text[0]) &&
         std::all_of(text.begin(), text.end(), [&letter_or_digit](char c) {
           return letter_or_digit(c) || c == '_' || c == '-' || c == '.';
         });
}

std::string CloneParent(const std::string& rom, const std::string& alias,
                        const std::string& game_info) {
  const std::string parent = TrimSpaces(FieldAt(game_info, 3));
  const std::string lower = LowerCaseName(parent);
  if (!IsRomName(parent) || lower == LowerCaseName(rom) || lower == LowerCaseName(alias)) return {};
  return parent;
}

std::string RomFileLine(const RomFileSearch& search, bool parent) {
  std::string line = parent ? "Parent ROM file:  " : "ROM file:  ";
  if (!search.found.empty()) return line + "found in " + ShowControls(FileNameText(search.found));
  line += "missing (looked in ";
  for (size_t i = 0; i < search.looked_in.size(); ++i) {
    line += (i > 0 ? ", " : "") + ShowControls(FileNameText(search.looked_in[i]));
  }
  return line + ")";
}
