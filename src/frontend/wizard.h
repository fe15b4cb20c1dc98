#pragma once

#include <string>

#include "frontend/dialogs.h"
#include "frontend/settings.h"

// What the wizard needs from the window.
class WizardHost {
 public:
  virtual ~WizardHost() = default;
  // The file list File1 shows `folder` from now on.
  virtual void PointFile1At(const std::string& folder) = 0;
  // The window's rescan (cmdRescan_Click); returns when the extractor has ended.
  virtual void Rescan() = 0;
};

// The first-run dialogue. Asks its questions through `dialogs` (an answer that fails its test,
// or Cancel, asks again), writes each answer at once to program_folder/orvane.ini or
// program_folder/tabrin.ini, and sets VPPath, VPExe, TablePath, MAMEPath and MAMEExe of
// `settings`; every other answer takes effect when the settings are read again.
// `program_folder` has no trailing separator. Answered folders are kept absolute, with "/"
// separators and a trailing "/"; a leading "\" or a relative name is taken from the program
// folder.
void FirstRun(const std::string& program_folder, FrontendSettings& settings, Dialogs& dialogs,
              WizardHost& host);
