#include "frontend/notices.h"

#include "common/codepage.h"

std::string FileNotWrittenText(const std::string& file, const std::string& lost) {
  return "\"" + file + "\" could not be written (is its folder read-only, or the disk full?).  " +
         lost + " not saved.";
}

std::string CatalogueNotWrittenText(const std::string& program_folder) {
  return "The catalogue could not be written: tabrin could not save names.ini and info.ini in \"" +
         program_folder +
         "\" (is the folder read-only, or the disk full?).  The tables it could not record are "
         "scanned again next time.";
}

std::string TableGoneText(const std::string& file_name) {
  return "The table \"" + FileNameText(file_name) +
         "\" is no longer in the table folder.  The list is read again.";
}

GameEnd JudgeGameEnd(const RunOutcome& outcome, long long milliseconds) {
  const bool at_once = milliseconds < kAtOnceMilliseconds;
  if (outcome.crashed) {
    return {!at_once, "Visual Pinball crashed (signal " + std::to_string(outcome.status) + ")"};
  }
  if (at_once && outcome.status != 0 && outcome.status != -1) {
    return {false,
            "Visual Pinball stopped at once (status " + std::to_string(outcome.status) + ")"};
  }
  return {};
}
