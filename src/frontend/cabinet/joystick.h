#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/cabinet/buttons.h"
#include "frontend/cabinet/input_map.h"

// The joysticks and game controllers of the system, as cabinet encoder boards present
// themselves, read through SDL: every one connected now or later, the inputs that `map` names
// turned into presses and releases of cabinet buttons. A button that two inputs share is
// pressed while either is held.
class JoystickSource : public QObject {
  Q_OBJECT

 public:
  // Starts SDL's joystick support; `available()` tells whether it could.
  JoystickSource(const InputMap& map, QObject* parent = nullptr);
  ~JoystickSource() override;
  JoystickSource(const JoystickSource&) = delete;
  JoystickSource& operator=(const JoystickSource&) = delete;

  bool available() const { return available_; }
  // The names of the joysticks open now.
  std::vector<std::string> Names() const;
  // Reads what SDL has gathered; runs by itself every few milliseconds.
  void Poll();

 signals:
  void pressed(CabinetButton button);
  void released(CabinetButton button);
  // Any input at all, mapped or not (for the settings window's "press a button").
  void inputSeen(const JoystickInput& input);

 private:
  void Input(const JoystickInput& input, bool down);

  const InputMap& map_;
  bool available_ = false;
  QTimer timer_;
  std::map<int, void*> open_;                // SDL instance id -> SDL_Joystick
  std::map<std::pair<int, int>, int> axis_;  // (instance, axis) -> -1, 0, +1
  std::map<std::pair<int, int>, int> hat_;   // (instance, hat) -> bits
  std::map<CabinetButton, int> held_;        // how many inputs hold each button
};
