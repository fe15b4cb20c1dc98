#include "extractor/questions.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "common/collection_check.h"
#include "common/paths.h"
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

}  // namespace

int PrintWhy(const std::string& table_arg) {
  std::vector<std::string> paths;
  if (!ListTablesOf(table_arg, paths)) {
    PrintError(NotFoundText(table_arg));
    return kExitNotFound;
  }
  for (const std::string& path : paths) {
    std::string script_file;
    const auto table = CompoundFile::Open(path);
    const RomFinding finding = FindRomInTable(path, table.get(), script_file);
    const RomSource source = DescribeRomFinding(finding, script_file);
    std::cout << ShownName(FileNameOf(path)) << ": "
              << (finding.rom == "nf" ? std::string("plain table") : "ROM " + Shown(finding.rom))
              << "\n  " << Shown(source.found) << "\n";
    if (!source.via.empty()) std::cout << "  via " << Shown(source.via) << "\n";
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
