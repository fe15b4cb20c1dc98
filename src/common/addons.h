#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What a table comes with beside its file, each found where the simulator finds it, names
// matching without regard to letter case.

// The kinds, in the order they are listed.
enum class AddOnKind {
  kBackglass,  // NAME.directb2s beside the table NAME.vpx
  kAltSound,   // altsound/ROM/ or pinmame/altsound/ROM/ in the table folder, or in the PinMAME one
  kColourDmd,  // serum/ROM/, pinmame/altcolor/ROM/, vni/ROM/; altcolor/ROM/ of the PinMAME folder
  kPupPack,    // pupvideos/ROM/ in the table folder
  kNvram,      // nvram/ROM.nv in the PinMAME folder
};
inline constexpr size_t kAddOnKinds = 5;

// One add-on found.
struct AddOn {
  AddOnKind kind;
  std::string path;  // the file or folder as on disk
};

// The add-ons of the table `table_path`, at most one per kind, in the order of AddOnKind: the
// backglass file always looked for, the others only when `rom` (the table's ROM name) is a ROM
// name. `pinmame_folder` is the PinMAME folder the simulator takes for the table
// (RomFileSearch::pinmame_folder); "" looks in the table folder alone.
std::vector<AddOn> FindAddOns(const std::string& table_path, const std::string& rom,
                              const std::string& pinmame_folder);

// The name of a kind as lists show it: "backglass file", "AltSound", "colour DMD", "PuP pack",
// "NVRAM".
std::string AddOnTitle(AddOnKind kind);

// "Add-ons:  " and the titles of `add_ons` joined by ", ", or "Add-ons:  none".
std::string AddOnsLine(const std::vector<AddOn>& add_ons);
