#include <SDL.h>

#include "frontend/cabinet/joystick.h"

namespace {

// An axis counts as pushed past half way, and as let go again below a quarter, so that a stick
// resting near the middle does not chatter.
constexpr int kPushed = 16384;
constexpr int kLetGo = 8192;

}  // namespace

JoystickSource::JoystickSource(const InputMap& map, QObject* parent) : QObject(parent), map_(map) {
  // The windows are Qt's: SDL must read the joysticks whichever window has the keys.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  available_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
  if (!available_) return;
  SDL_JoystickEventState(SDL_ENABLE);
  connect(&timer_, &QTimer::timeout, this, &JoystickSource::Poll);
  timer_.start(4);
}

JoystickSource::~JoystickSource() {
  if (!available_) return;
  for (const auto& [id, joystick] : open_) SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick));
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

std::vector<std::string> JoystickSource::Names() const {
  std::vector<std::string> names;
  for (const auto& [id, joystick] : open_) {
    const char* name = SDL_JoystickName(static_cast<SDL_Joystick*>(joystick));
    names.emplace_back(name != nullptr ? name : "joystick");
  }
  return names;
}

void JoystickSource::Poll() {
  if (!available_) return;
  SDL_Event event;
  // Bounded: a flood of events waits for the next poll instead of stalling the window.
  for (int i = 0; i < 256 && SDL_PollEvent(&event) != 0; ++i) {
    switch (event.type) {
      case SDL_JOYDEVICEADDED:
        if (SDL_Joystick* joystick = SDL_JoystickOpen(event.jdevice.which)) {
          open_[SDL_JoystickInstanceID(joystick)] = joystick;
        }
        break;
      case SDL_JOYDEVICEREMOVED:
        if (const auto found = open_.find(event.jdevice.which); found != open_.end()) {
          SDL_JoystickClose(static_cast<SDL_Joystick*>(found->second));
          open_.erase(found);
        }
        break;
      case SDL_JOYBUTTONDOWN:
      case SDL_JOYBUTTONUP:
        Input({JoystickInput::Kind::kButton, event.jbutton.button, 0},
              event.type == SDL_JOYBUTTONDOWN);
        break;
      case SDL_JOYAXISMOTION: {
        int& state = axis_[{event.jaxis.which, event.jaxis.axis}];
        const int value = event.jaxis.value;
        const int now = value <= -kPushed                     ? -1
                        : value >= kPushed                    ? 1
                        : (value > -kLetGo && value < kLetGo) ? 0
                                                              : state;
        if (now == state) break;
        const int axis = event.jaxis.axis;
        if (state != 0) Input({JoystickInput::Kind::kAxis, axis, state}, false);
        state = now;
        if (now != 0) Input({JoystickInput::Kind::kAxis, axis, now}, true);
        break;
      }
      case SDL_JOYHATMOTION: {
        int& bits = hat_[{event.jhat.which, event.jhat.hat}];
        const int now = event.jhat.value;
        for (const int bit : {1, 2, 4, 8}) {
          if ((bits & bit) != (now & bit)) {
            Input({JoystickInput::Kind::kHat, event.jhat.hat, bit}, (now & bit) != 0);
          }
        }
        bits = now;
        break;
      }
      default:
        break;
    }
  }
}

void JoystickSource::Input(const JoystickInput& input, bool down) {
  if (down) emit inputSeen(input);
  const std::optional<CabinetButton> button = map_.ButtonOfJoystick(input);
  if (!button) return;
  int& count = held_[*button];
  if (down && count++ == 0) emit pressed(*button);
  if (!down && count > 0 && --count == 0) emit released(*button);
}
