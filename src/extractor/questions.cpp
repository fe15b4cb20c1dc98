#include "extractor/questions.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "common/addons.h"
#include "common/collection_check.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/rom_files.h"
#include "common/settings.h"
#include "common/tabrin_exit.h"
#include "extractor/command_line.h"
#include "extractor/compound_file.h"
#include "extractor/messages.h"
#include "extractor/rom_name_finder.h"
#include "extractor/rom_source.h"

namespace {

// True when the folders `a` and `b` are one, however each is spelt.
bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code error;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error) && !error;
}

// Prints where the simulator finds the ROM file of the table `path` (none for "" ROM name) and
// its parent's, and the table's add-ons.
void PrintRomFiles(const std::string& program_folder, const std::string& path,
                   const std::string& rom, const PinMameDefaults& defaults) {
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  std::string pinmame_folder;
  if (!rom.empty()) {
    const RomFileSearch search = FindRomFile(rom, folder, defaults);
    pinmame_folder = search.pinmame_folder;
    std::cout << "  " << Shown(RomFileLine(search)) << "\n";
    const std::string alias = ProfileRead("Alias", rom, program_folder + "/alias.ini");
    const std::string parent = CloneParent(
        rom, alias,
        ProfileRead("PMInfo", alias.empty() ? rom : alias, program_folder + "/info.ini"));
    if (!parent.empty()) {
      std::cout << "  " << Shown(RomFileLine(FindRomFile(parent, folder, defaults), true)) << "\n";
    }
  }
  std::cout << "  " << AddOnsLine(FindAddOns(path, rom, pinmame_folder)) << "\n";
}

}  // namespace

int PrintWhy(const std::string& program_folder, const std::string& table_arg) {
  std::vector<std::string> paths;
  if (!ListTablesOf(table_arg, paths)) {
    PrintError(NotFoundText(table_arg));
    return kExitNotFound;
  }
  const PinMameDefaults defaults = ReadPinMameDefaults(UserFoldersFromEnvironment());
  for (const std::string& path : paths) {
    std::string script_file;
    const auto table = CompoundFile::Open(path);
    const RomFinding finding = FindRomInTable(path, table.get(), script_file);
    const RomSource source = DescribeRomFinding(finding, script_file);
    std::cout << ShownName(FileNameOf(path)) << ": "
              << (finding.rom == "nf" ? std::string("plain table") : "ROM " + Shown(finding.rom))
              << "\n  " << Shown(source.found) << "\n";
    if (!source.via.empty()) std::cout << "  via " << Shown(source.via) << "\n";
    PrintRomFiles(program_folder, path, finding.rom == "nf" ? "" : finding.rom, defaults);
  }
  std::cout << std::flush;
  return kExitOk;
}

int PrintReport(const std::string& program_folder, const std::string& table_arg) {
  const std::string folder = FolderOfArgument(table_arg);
  if (folder.empty()) {
    PrintError("no folder \"" + ShownName(table_arg) + "\"");
    return kExitNotFound;
  }
  FrontendSettings settings;
  GetSettings(program_folder, settings);
  const std::string catalogued = WithoutTrailingSlashes(settings.TablePath);
  const bool whole_collection = SameFolder(folder, catalogued);
  settings.TablePath = folder + "/";
  std::cout << "Catalogue of " << ShownName(catalogued)
            << (whole_collection ? "" : " (another folder: only this folder's tables are checked)")
            << "\n"
            << CheckReportText(CheckCollection(program_folder, settings, whole_collection))
            << std::flush;
  return kExitOk;
}
