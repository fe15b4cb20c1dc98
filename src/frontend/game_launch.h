#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/process_runner.h"
#include "common/settings.h"
#include "frontend/notices.h"

// Starting a game, the same for both faces of Orvane: the launch settings of orvane.ini, the
// programs run before and after it, the simulator's last words kept in orvane.log, and how the
// game ended.

// orvane.ini [Launch], overridden key by key by [Launch.KEY] for the table KEY.
struct LaunchSettings {
  std::string arguments;  // Arguments: more arguments for the simulator, before "-play"
  std::string before;     // Before: a program and its arguments, run (without a shell) first
  std::string after;      // After: the same, run once the game has ended
  // Environment: "NAME=value;NAME=value", set for the simulator.
  std::vector<std::pair<std::string, std::string>> environment;
};

// Reads the launch settings of the table `key` from program_folder/orvane.ini.
LaunchSettings ReadLaunchSettings(const std::string& program_folder, const std::string& key);

// Splits "NAME=value;NAME=value" into pairs; an entry without a name or "=" is left out.
std::vector<std::pair<std::string, std::string>> ParseEnvironment(const std::string& text);

// The log of the simulator's last words beside the program, renamed to orvane.log.1 once it
// passes this size.
inline constexpr char kLaunchLog[] = "orvane.log";
inline constexpr long long kLaunchLogBytes = 1 << 20;

// The question to ask before playing the table whose catalogue key is `key`, when the simulator
// would not find its ROM file, or a clone's parent's: "The ROM file abc_l3.zip was not found in
// FOLDER.  Play anyway?"; "" when nothing is missing (a plain table, or one the catalogue does not
// know).
std::string MissingRomQuestion(const std::string& program_folder, const FrontendSettings& settings,
                               const std::string& key);

// How a launch went.
struct GamePlayed {
  RunOutcome outcome;
  long long milliseconds = 0;
  GameEnd end;                 // whether it counts as a play, and what the panel says
  std::string before_failure;  // "" when the program before ran well, else what went wrong
  std::string after_failure;
};

// Plays the table file `file_name` (its own bytes) of settings.TablePath, whose catalogue key
// is `key`: runs the Before program, the simulator (with the launch settings' arguments and
// environment; its error output kept), then the After program, each waited for while events
// are handled. Appends what happened, with the simulator's last lines, to orvane.log. A failure
// of Before or After is told, never fatal. The play is not recorded here.
GamePlayed PlayGame(const std::string& program_folder, const FrontendSettings& settings,
                    bool launcher_mode, const std::string& file_name, const std::string& key,
                    const WaitFailureReporter& report_failure = nullptr);
