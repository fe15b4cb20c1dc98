#pragma once

#include <cstdint>
#include <string>

// What the frame FraData shows.
enum ShowStateValue : int16_t {
  kShowNothing = 0,
  kShowInfo = -1,
  kShowRules = -2,
  kShowDescription = -3,
  kShowSnapShot = 1,
  kShowBackglass = 2,
  kShowCabinet = 3,
  kShowFlyer = 4,
};

// The window-level variables that describe the table selected last in File1 and the view.
struct WindowState {
  // Catalogue identity (names.ini, alias.ini).
  std::string RomName;
  std::string BaseName;
  int16_t VPOnly = 0;
  std::string RomAlias;
  // Catalogue information (info.ini) and texts.
  std::string PMName;
  std::string PMYear;
  std::string PMManufacturer;
  std::string PMParent;
  std::string TableName;
  std::string RulesText;
  std::string DescText;
  std::string RulesFile;
  std::string DescFile;
  // Artwork files found for the table, "" when none.
  std::string SnapFile;
  std::string BackglassFile;
  std::string CabFile;
  std::string FlyerFile;
  // View state.
  int16_t ShowState = kShowNothing;
  int16_t ViewMode = 0;
  bool BuildingList = false;
  bool LauncherMode = false;
};
