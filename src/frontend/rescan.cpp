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

std::optional<int> WindowValue(const std::string& program_folder, const char* key) {
  const std::string text = ProfileRead("Window", key, SettingsFile(program_folder));
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  try {
    const int value = std::stoi(text, &used);
    if (used == text.size()) return value;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<QRect> ReadWindowPlace(const std::string& program_folder) {
  const auto left = WindowValue(program_folder, "Left");
  const auto top = WindowValue(program_folder, "Top");
  const auto width = WindowValue(program_folder, "Width");
  const auto height = WindowValue(program_folder, "Height");
  if (!left || !top || !width || !height || *width < 200 || *height < 200) return std::nullopt;
  return QRect(*left, *top, *width, *height);
}

bool WindowWasMaximized(const std::string& program_folder) {
  return WindowValue(program_folder, "Maximized").value_or(0) == 1;
}

void WriteWindowPlace(const std::string& program_folder, const QRect& place, bool maximized) {
  ProfileWriteAll({{"Window", "Left", std::to_string(place.x())},
                   {"Window", "Top", std::to_string(place.y())},
                   {"Window", "Width", std::to_string(place.width())},
                   {"Window", "Height", std::to_string(place.height())},
                   {"Window", "Maximized", maximized ? "1" : "0"}},
                  SettingsFile(program_folder));
}
