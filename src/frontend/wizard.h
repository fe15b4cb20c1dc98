#pragma once

#include <string>

#include "common/settings.h"
#include "frontend/dialogs.h"

// What the wizard needs from the window.
class WizardHost {
 public:
  virtual ~WizardHost() = default;
  // The file list File1 shows `folder` from now on.
  virtual void PointFile1At(const std::string& folder) = 0;
  // The window's rescan (cmdRescan_Click); returns when the extractor has ended.
  virtual void Rescan() = 0;
};

// True when the first-run dialogue is to run: `settings` (read from `program_folder`) say
// FirstRun=1, or there is no orvane.ini at all, as after a fresh install.
bool NeedsFirstRun(const std::string& program_folder, const FrontendSettings& settings);

// The first-run dialogue. Asks its questions through `dialogs` (an answer that fails its test
// is refused with a message saying why and asked again, keeping what was typed; Cancel offers
// to leave the setup and otherwise asks again), sets VPPath, VPExe, TablePath, MAMEPath and
// MAMEExe of `settings`, and writes every answer to program_folder/orvane.ini or
// program_folder/tabrin.ini once all are given (the emulator to both; the extractor's art folder
// becomes the Visual Pinball folder, where the front-end looks for the exports); a file that
// cannot be written is told. Every other answer takes effect when the settings are read again.
// Returns false, having written nothing, when the user leaves. `program_folder` has no trailing
// separator. Answered folders are kept absolute, with "/" separators and a trailing "/"; a leading
// "\" or a relative name is taken from the program folder.
bool FirstRun(const std::string& program_folder, FrontendSettings& settings, Dialogs& dialogs,
              WizardHost& host);
