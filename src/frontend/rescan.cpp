#include "frontend/rescan.h"

#include "common/catalogue_sections.h"
#include "common/paths.h"
#include "common/process_runner.h"
#include "common/profile.h"
#include "common/settings.h"
#include "common/tables.h"

std::string RescanArguments(const std::string& folder, int16_t show_command_prompt) {
  const std::string pattern = PathInFolder(folder, "*.*");
  return QuotedArgument(pattern) + (show_command_prompt == 1 ? " -exit" : " -exit -hide");
}

std::string TableFolderMissingText(const std::string& table_path) {
  return "The table folder \"" + table_path +
         "\" does not exist.  Set TablePath in orvane.ini to the folder of your tables.";
}

std::string RescanProgressText(const std::string& program_folder,
                               const std::vector<std::string>& tables) {
  const std::string names = program_folder + "/names.ini";
  size_t known = 0;
  for (const std::string& table : tables) known += ProfileHasKey("VP", TableKey(table), names);
  return "  Scanning:  " + std::to_string(known) + " of " + std::to_string(tables.size()) +
         " tables";
}

std::unordered_map<std::string, std::string> CataloguedTableFiles(
    const std::string& program_folder) {
  const std::string info = FindExistingPath(program_folder + "/info.ini");
  if (info.empty()) return {};
  return ProfileSectionByLowerKey(kTableFileSection, info);
}

size_t RenewedTables(const std::unordered_map<std::string, std::string>& before,
                     const std::unordered_map<std::string, std::string>& after) {
  size_t renewed = 0;
  for (const auto& [key, stamp] : after) {
    const auto found = before.find(key);
    // A table catalogued before the stamps were recorded had none: it was not renewed.
    renewed += found != before.end() && !found->second.empty() && found->second != stamp;
  }
  return renewed;
}

std::string RenewedText(size_t renewed) {
  if (renewed == 0) return "";
  return "  (" + std::to_string(renewed) + " changed " + (renewed == 1 ? "table" : "tables") +
         " renewed)";
}
