#pragma once

#include <string>

#include "common/process_runner.h"

// What the window tells the user when something did not happen as asked: a file that could not
// be written, a table gone, a game that did not run. Plain texts, so that both faces of the
// program say the same.

// The message for `file` (a path) that could not be written, saying what `lost` was lost ("The
// favourite was").
std::string FileNotWrittenText(const std::string& file, const std::string& lost);

// The message after tabrin ended saying that it could not write the catalogue in
// `program_folder`.
std::string CatalogueNotWrittenText(const std::string& program_folder);

// The message for a table file `file_name` (its own bytes) that is gone since the list was read.
std::string TableGoneText(const std::string& file_name);

// A game that ends sooner than this with a failure status, or by a signal, did not run.
inline constexpr long long kAtOnceMilliseconds = 3000;

// How a launch ended, as far as the play history and the information panel care.
struct GameEnd {
  bool counts = true;  // recorded as a play
  std::string note;    // what the panel says above the table's information; "" for a game
};

// Judges a launch that started and ran `milliseconds`: within kAtOnceMilliseconds a non-zero
// status is "Visual Pinball stopped at once (status N)", not a play; a signal is "Visual
// Pinball crashed (signal N)", a play only when it came after a game of kAtOnceMilliseconds or
// more. A later non-zero status is a game: the simulator's statuses say little.
GameEnd JudgeGameEnd(const RunOutcome& outcome, long long milliseconds);
