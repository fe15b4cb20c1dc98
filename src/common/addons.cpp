#include "common/addons.h"

#include "common/paths.h"
#include "common/rom_files.h"

namespace {

// The first of `candidates` (paths in any letter case) that exists as a folder (`folder`) or an
// ordinary file, spelt as on disk; "" when none does.
std::string FirstExisting(const std::vector<std::string>& candidates, bool folder) {
  for (const std::string& candidate : candidates) {
    if (candidate.empty()) continue;
    const std::string found = FindExistingPath(candidate);
    if (!found.empty() && (folder ? FolderExists(found) : OrdinaryFileExists(found))) return found;
  }
  return {};
}

}  // namespace

std::vector<AddOn> FindAddOns(const std::string& table_path, const std::string& rom,
                              const std::string& pinmame_folder) {
  std::vector<AddOn> add_ons;
  const auto add = [&add_ons](AddOnKind kind, const std::string& path) {
    if (!path.empty()) add_ons.push_back({kind, path});
  };
  const size_t slash = table_path.rfind('/');
  const std::string folder = slash == std::string::npos ? "./" : table_path.substr(0, slash + 1);
  const std::string name = FileNameOf(table_path);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  add(AddOnKind::kBackglass, FirstExisting({folder + stem + ".directb2s"}, false));
  if (!IsRomName(rom)) return add_ons;

  // The PinMAME folder may be the table folder's own "pinmame": looked at twice, found once.
  const auto in_pinmame = [&pinmame_folder](const std::string& relative) {
    return pinmame_folder.empty() ? std::string() : WithTrailingSlash(pinmame_folder) + relative;
  };
  add(AddOnKind::kAltSound,
      FirstExisting({folder + "altsound/" + rom, folder + "pinmame/altsound/" + rom,
                     in_pinmame("altsound/" + rom)},
                    true));
  add(AddOnKind::kColourDmd,
      FirstExisting({folder + "serum/" + rom, folder + "pinmame/altcolor/" + rom,
                     folder + "vni/" + rom, in_pinmame("altcolor/" + rom)},
                    true));
  add(AddOnKind::kPupPack, FirstExisting({folder + "pupvideos/" + rom}, true));
  add(AddOnKind::kNvram, FirstExisting({in_pinmame("nvram/" + rom + ".nv")}, false));
  return add_ons;
}

std::string AddOnTitle(AddOnKind kind) {
  switch (kind) {
    case AddOnKind::kBackglass:
      return "backglass file";
    case AddOnKind::kAltSound:
      return "AltSound";
    case AddOnKind::kColourDmd:
      return "colour DMD";
    case AddOnKind::kPupPack:
      return "PuP pack";
    case AddOnKind::kNvram:
      break;
  }
  return "NVRAM";
}

std::string AddOnsLine(const std::vector<AddOn>& add_ons) {
  std::string line = "Add-ons:  ";
  if (add_ons.empty()) return line + "none";
  for (size_t i = 0; i < add_ons.size(); ++i) {
    line += (i > 0 ? ", " : "") + AddOnTitle(add_ons[i].kind);
  }
  return line;
}
