#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "frontend/cabinet/buttons.h"
#include "frontend/cabinet/cabinet_settings.h"

// Which cabinet button a key or a joystick input is, as [Cabinet] Key<Button> and Joy<Button>
// say. A key named for a side ("RShift") matches that side only; one named for either side
// matches both.
class InputMap {
 public:
  explicit InputMap(const CabinetSettings& settings);

  // The button of the key `qt_key` on `side` (0 when the system does not tell, 1 left, 2 right).
  std::optional<CabinetButton> ButtonOfKey(int qt_key, int side) const;
  // The button of a joystick input.
  std::optional<CabinetButton> ButtonOfJoystick(const JoystickInput& input) const;
  // Every joystick input that is some button's, for a source to watch.
  const std::vector<std::pair<JoystickInput, CabinetButton>>& joystick() const { return joystick_; }

 private:
  std::vector<std::pair<KeyName, CabinetButton>> keys_;
  std::vector<std::pair<JoystickInput, CabinetButton>> joystick_;
};

// The side of a key that comes in two (Shift, Ctrl, Alt) from what the system says of the key
// event: 1 left, 2 right, 0 when it does not say. One implementation per platform.
int KeySide(std::uint32_t native_virtual_key, std::uint32_t native_scan_code);
