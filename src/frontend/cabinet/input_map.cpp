#include "frontend/cabinet/input_map.h"

InputMap::InputMap(const CabinetSettings& settings) {
  for (int b = 0; b < kCabinetButtonCount; ++b) {
    const auto button = static_cast<CabinetButton>(b);
    for (const KeyName& key : ParseKeyNames(settings.keys[b])) keys_.emplace_back(key, button);
    for (const JoystickInput& input : ParseJoystickInputs(settings.joystick[b])) {
      joystick_.emplace_back(input, button);
    }
  }
}

std::optional<CabinetButton> InputMap::ButtonOfKey(int qt_key, int side) const {
  // A key named for the side pressed wins over one named for either; a key whose side is not
  // known matches a sided name of the left (cabinets send the left one of most pairs).
  std::optional<CabinetButton> either;
  for (const auto& [key, button] : keys_) {
    if (key.qt_key != qt_key) continue;
    if (key.side == 0) {
      if (!either) either = button;
    } else if (key.side == (side == 0 ? 1 : side)) {
      return button;
    }
  }
  return either;
}

std::optional<CabinetButton> InputMap::ButtonOfJoystick(const JoystickInput& input) const {
  for (const auto& [watched, button] : joystick_) {
    if (watched == input) return button;
  }
  return std::nullopt;
}
