#pragma once

#include <cstdint>
#include <string>

// The settings of orvane.ini [Settings] and [Dirs], read by Orvane and by Tabrin's collection
// report. Folders are used by plain concatenation with file names, so they are expected to end with
// "/".
struct FrontendSettings {
  int16_t FirstRun = 0;
  int16_t RescanOnStart = 0;
  int16_t ScanIfNotFound = 0;
  int16_t ShowCommandPrompt = 0;
  std::string VPPath;
  std::string VPExe;
  std::string TablePath;
  std::string MAMEPath;
  std::string MAMEExe;
  std::string SnapPath;
  std::string BackglassPath;
  std::string CabPath;
  std::string FlyerPath;
  std::string SnapPath2;
  std::string BackglassPath2;
  std::string CabPath2;
  std::string FlyerPath2;
  std::string BlurbPath;
  std::string RulesPath;
  std::string DescPath;
  // Whole-collection media folders of cabinet mode; "" (the default) when not used.
  std::string PlayfieldPath;
  std::string WheelPath;
  std::string DMDPath;
  std::string TopperPath;
  std::string VideoPath;
};

// Returns program_folder + "/orvane.ini".
std::string SettingsFile(const std::string& program_folder);

// Reads orvane.ini of `program_folder` (no trailing separator) into `settings`, with every
// default and the derived art and document folders. A switch that is not a number reads as its
// default instead of stopping the read.
void GetSettings(const std::string& program_folder, FrontendSettings& settings);
