#include "frontend/game_launch.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/rom_files.h"
#include "common/text.h"
#include "common/vpinball_settings.h"
#include "frontend/browser.h"

namespace {

// The simulator's last lines kept in the log for one game.
constexpr size_t kLoggedLines = 40;

// The last `count` lines of `text`, without the line ends after them.
std::string LastLines(const std::string& text, size_t count) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
  size_t at = end;
  for (size_t lines = 0; at > 0; --at) {
    if (text[at - 1] == '\n' && ++lines == count) break;
  }
  return text.substr(at, end - at);
}

// Runs a Before or After command; "" when it ran and ended well, else what went wrong.
std::string RunHelper(const char* what, const std::string& command, std::string folder) {
  if (TrimSpaces(command).empty()) return {};
  const std::vector<std::string> words = SplitCommandBytes(command);
  if (words.empty()) return {};
  std::string arguments;
  for (size_t i = 1; i < words.size(); ++i) {
    arguments += (i > 1 ? " " : "") + QuotedArgument(words[i]);
  }
  const RunOutcome outcome = RunToEnd(folder, words.front(), arguments, 0);
  if (!outcome.started) {
    return std::string("The program to run ") + what + " the game could not be started: \"" +
           FileNameText(words.front()) + "\".";
  }
  if (outcome.crashed || outcome.status != 0) {
    return std::string("The program run ") + what + " the game " +
           (outcome.crashed ? "crashed (signal " : "failed (status ") +
           std::to_string(outcome.status) + "): \"" + FileNameText(words.front()) + "\".";
  }
  return {};
}

// Appends `entry` to the log, first moving a log grown past its size aside.
void AppendToLog(const std::string& program_folder, const std::string& entry) {
  const std::string log = program_folder + "/" + kLaunchLog;
  std::error_code error;
  const auto size = std::filesystem::file_size(log, error);
  if (!error && size > static_cast<std::uintmax_t>(kLaunchLogBytes)) {
    std::rename(log.c_str(), (log + ".1").c_str());
  }
  std::ofstream(log, std::ios::binary | std::ios::app) << entry;
}

}  // namespace

std::string MissingRomQuestion(const std::string& program_folder, const FrontendSettings& settings,
                               const std::string& key) {
  const std::string rom = ProfileRead("PinMAME", key, program_folder + "/names.ini");
  if (!IsRomName(rom)) return {};
  const std::string table_folder = WithoutTrailingSlashes(settings.TablePath);
  const PinMameDefaults defaults = ReadPinMameDefaults(UserFoldersFromEnvironment());
  const std::string info_ini = program_folder + "/info.ini";
  const std::string alias = ProfileRead("Alias", rom, program_folder + "/alias.ini");
  const std::string parent =
      CloneParent(rom, alias, ProfileRead("PMInfo", alias.empty() ? rom : alias, info_ini));
  for (const std::string& name : {rom, parent}) {
    if (name.empty()) continue;
    const RomFileSearch search = FindRomFile(name, table_folder, defaults);
    if (!search.found.empty()) continue;
    std::string folders;
    for (const std::string& folder : search.looked_in) {
      folders += (folders.empty() ? "" : ", ") + FileNameText(folder);
    }
    return std::string("The ROM file ") + (name == parent ? "of its parent, " : "") + name +
           ".zip, was not found in " + folders +
           ".  Visual Pinball will not run the game without it.  Play anyway?";
  }
  return {};
}

std::vector<std::pair<std::string, std::string>> ParseEnvironment(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(';', start), text.size());
    const std::string entry = TrimSpaces(text.substr(start, end - start));
    const size_t equals = entry.find('=');
    if (equals != std::string::npos && equals > 0) {
      pairs.emplace_back(TrimSpaces(entry.substr(0, equals)), entry.substr(equals + 1));
    }
    start = end + 1;
  }
  return pairs;
}

LaunchSettings ReadLaunchSettings(const std::string& program_folder, const std::string& key) {
  const std::string file = SettingsFile(program_folder);
  const std::string own = "Launch." + key;
  const auto read = [&](const char* name) {
    return ProfileHasKey(own, name, file) ? ProfileRead(own, name, file)
                                          : ProfileRead("Launch", name, file);
  };
  LaunchSettings settings;
  settings.arguments = read("Arguments");
  settings.before = read("Before");
  settings.after = read("After");
  settings.environment = ParseEnvironment(read("Environment"));
  return settings;
}

GamePlayed PlayGame(const std::string& program_folder, const FrontendSettings& settings,
                    bool launcher_mode, const std::string& file_name, const std::string& key,
                    const WaitFailureReporter& report_failure) {
  const LaunchSettings launch = ReadLaunchSettings(program_folder, key);
  GamePlayed played;
  played.before_failure = RunHelper("before", launch.before, settings.VPPath);

  std::string arguments =
      LaunchArguments(settings.VPExe, launcher_mode, settings.TablePath, file_name);
  if (!TrimSpaces(launch.arguments).empty()) arguments = launch.arguments + " " + arguments;
  std::string error_output;
  RunOptions options{launch.environment, &error_output};
  std::string folder = settings.VPPath;
  QElapsedTimer timer;
  timer.start();
  played.outcome = RunToEnd(folder, settings.VPExe, arguments, 1, report_failure, options);
  played.milliseconds = timer.elapsed();
  if (played.outcome.started) played.end = JudgeGameEnd(played.outcome, played.milliseconds);

  played.after_failure = RunHelper("after", launch.after, settings.VPPath);

  std::string entry = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toStdString() +
                      "  " + FileNameText(file_name) + ": ";
  if (!played.outcome.started) {
    entry += "\"" + settings.VPExe + "\" could not be started";
  } else if (played.outcome.crashed) {
    entry += "crashed (signal " + std::to_string(played.outcome.status) + ")";
  } else {
    entry += "ended (status " + std::to_string(played.outcome.status) + ")";
  }
  entry += " after " + std::to_string(played.milliseconds / 1000) + " s\n";
  for (const std::string* failure : {&played.before_failure, &played.after_failure}) {
    if (!failure->empty()) entry += "  " + *failure + "\n";
  }
  const std::string last = LastLines(error_output, kLoggedLines);
  if (!last.empty()) entry += "  Visual Pinball's last messages:\n" + last + "\n";
  AppendToLog(program_folder, entry);
  // The panel points to the log when the game did not run.
  if (!played.end.note.empty())
    played.end.note += "; its last messages are in " + program_folder + "/" + kLaunchLog;
  return played;
}
