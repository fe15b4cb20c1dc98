#include "frontend/rescan.h"

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
