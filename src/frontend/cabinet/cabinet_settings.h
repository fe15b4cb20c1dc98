#pragma once

#include <array>
#include <string>

#include "frontend/cabinet/buttons.h"

// The screens of a cabinet that Orvane fills, in the order the settings name them.
enum class ScreenRole { kPlayfield = 0, kBackglass = 1, kDMD = 2, kTopper = 3 };
inline constexpr int kScreenRoleCount = 4;

// The role's word in settings and messages ("Playfield", "Backglass", "DMD", "Topper").
const char* ScreenRoleName(ScreenRole role);

// orvane.ini [Cabinet]: cabinet mode's screens, buttons and timing.
struct CabinetSettings {
  bool enabled = false;  // Enabled=1: Orvane opens in cabinet mode
  // <Role>Screen: a screen's name as the system reports it, or its number from 0; "" turns the
  // role off. <Role>Rotation: 0, 90, 180 or 270 degrees clockwise.
  std::array<std::string, kScreenRoleCount> screens = {"0", "1", "2", ""};
  std::array<int, kScreenRoleCount> rotations = {0, 0, 0, 0};
  // Key<Button> and Joy<Button>: lists of key names and joystick inputs (see buttons.h).
  std::array<std::string, kCabinetButtonCount> keys;
  std::array<std::string, kCabinetButtonCount> joystick;
  int attract_after = 120;  // AttractAfter: seconds without a button before attract mode; 0 never
  int attract_every = 8;    // AttractEvery: seconds between tables in attract mode
  bool hide_while_playing = true;  // HideWhilePlaying: the screens are the simulator's meanwhile
};

// Reads [Cabinet] of program_folder/orvane.ini; what is missing or not understood takes its
// default (the keys and joystick inputs of DefaultKeys and DefaultJoystick).
CabinetSettings ReadCabinetSettings(const std::string& program_folder);

// Writes every [Cabinet] setting in one rewrite. False when orvane.ini could not be written.
bool WriteCabinetSettings(const std::string& program_folder, const CabinetSettings& settings);
