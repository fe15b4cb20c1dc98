#include "frontend/cabinet/cabinet_settings.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/profile.h"
#include "common/settings.h"

namespace {

constexpr char kSection[] = "Cabinet";

// A whole number of the settings, or `fallback` for anything else; kept within [low, high].
int Number(const std::string& text, int fallback, int low, int high) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return fallback;
  return static_cast<int>(std::clamp<long>(value, low, high));
}

std::string KeyOf(const char* prefix, int button) {
  return prefix + std::string(ButtonSettingName(static_cast<CabinetButton>(button)));
}

}  // namespace

const char* ScreenRoleName(ScreenRole role) {
  switch (role) {
    case ScreenRole::kPlayfield:
      return "Playfield";
    case ScreenRole::kBackglass:
      return "Backglass";
    case ScreenRole::kDMD:
      return "DMD";
    case ScreenRole::kTopper:
      break;
  }
  return "Topper";
}

CabinetSettings ReadCabinetSettings(const std::string& program_folder) {
  const std::string file = SettingsFile(program_folder);
  const auto read = [&file](const std::string& key, const std::string& fallback) {
    return ProfileHasKey(kSection, key, file) ? ProfileRead(kSection, key, file) : fallback;
  };
  CabinetSettings settings;
  settings.enabled = read("Enabled", "0") == "1";
  for (int i = 0; i < kScreenRoleCount; ++i) {
    const std::string role = ScreenRoleName(static_cast<ScreenRole>(i));
    settings.screens[i] = read(role + "Screen", settings.screens[i]);
    // Only quarter turns: anything else is no rotation.
    const int degrees = Number(read(role + "Rotation", ""), 0, -3600, 3600);
    settings.rotations[i] = degrees % 90 == 0 ? (degrees % 360 + 360) % 360 : 0;
  }
  for (int b = 0; b < kCabinetButtonCount; ++b) {
    const auto button = static_cast<CabinetButton>(b);
    settings.keys[b] = read(KeyOf("Key", b), DefaultKeys(button));
    settings.joystick[b] = read(KeyOf("Joy", b), DefaultJoystick(button));
  }
  settings.attract_after = Number(read("AttractAfter", ""), 120, 0, 86400);
  settings.attract_every = Number(read("AttractEvery", ""), 8, 1, 3600);
  settings.hide_while_playing = read("HideWhilePlaying", "1") == "1";
  return settings;
}

bool WriteCabinetSettings(const std::string& program_folder, const CabinetSettings& settings) {
  std::vector<ProfileEntry> entries = {{kSection, "Enabled", settings.enabled ? "1" : "0"}};
  for (int i = 0; i < kScreenRoleCount; ++i) {
    const std::string role = ScreenRoleName(static_cast<ScreenRole>(i));
    entries.push_back({kSection, role + "Screen", settings.screens[i]});
    entries.push_back({kSection, role + "Rotation", std::to_string(settings.rotations[i])});
  }
  for (int b = 0; b < kCabinetButtonCount; ++b) {
    entries.push_back({kSection, KeyOf("Key", b), settings.keys[b]});
    entries.push_back({kSection, KeyOf("Joy", b), settings.joystick[b]});
  }
  entries.push_back({kSection, "AttractAfter", std::to_string(settings.attract_after)});
  entries.push_back({kSection, "AttractEvery", std::to_string(settings.attract_every)});
  entries.push_back({kSection, "HideWhilePlaying", settings.hide_while_playing ? "1" : "0"});
  return ProfileWriteAll(entries, SettingsFile(program_folder));
}
