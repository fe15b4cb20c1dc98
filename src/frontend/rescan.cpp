#include "frontend/rescan.h"

#include "common/process_runner.h"

std::string RescanArguments(const std::string& folder, int16_t show_command_prompt) {
  const std::string pattern = (folder == "/" ? "" : folder) + "/*.*";
  return QuotedArgument(pattern) + (show_command_prompt == 1 ? " -exit" : " -exit -hide");
}

std::string TableFolderMissingText(const std::string& table_path) {
  return "The table folder \"" + table_path +
         "\" does not exist.  Set TablePath in orvane.ini to the folder of your tables.";
}
