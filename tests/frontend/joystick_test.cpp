// Cabinet buttons from a joystick: SDL's own virtual joystick stands in for an encoder board.
#include "frontend/cabinet/joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "frontend/cabinet/cabinet_settings.h"
#include "support/temp_dir.h"

namespace {

TEST(Joystick, InputsOfAnEncoderBoardPressAndReleaseCabinetButtons) {
  TempDir dir;
  dir.WriteFile("orvane.ini", "[Cabinet]\r\nJoyStart=B2\r\n");
  const InputMap map(ReadCabinetSettings(dir.path()));
  JoystickSource source(map);
  if (!source.available()) GTEST_SKIP() << "SDL has no joystick support here: " << SDL_GetError();
  std::string seen;
  QObject::connect(&source, &JoystickSource::pressed,
                   [&](CabinetButton b) { seen += std::string("+") + ButtonSettingName(b) + " "; });
  QObject::connect(&source, &JoystickSource::released,
                   [&](CabinetButton b) { seen += std::string("-") + ButtonSettingName(b) + " "; });
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 8, 1);
  ASSERT_GE(device, 0) << SDL_GetError();
  SDL_Joystick* stick = SDL_JoystickOpen(device);
  ASSERT_NE(stick, nullptr) << SDL_GetError();
  source.Poll();  // it is connected after the source started
  const struct {
    const char* why;
    std::function<void()> act;
    std::string seen;
  } rows[] = {
      {"a button named in the settings", [&] { SDL_JoystickSetVirtualButton(stick, 2, 1); },
       "+Start "},
      {"the default button no longer counts", [&] { SDL_JoystickSetVirtualButton(stick, 0, 1); },
       ""},
      {"its release", [&] { SDL_JoystickSetVirtualButton(stick, 2, 0); }, "-Start "},
      {"a hat's direction", [&] { SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_LEFT); },
       "+Previous "},
      {"an axis past half way holds the same button: no second press",
       [&] { SDL_JoystickSetVirtualAxis(stick, 0, -30000); }, ""},
      {"the hat let go: the axis still holds it", [&] { SDL_JoystickSetVirtualHat(stick, 0, 0); },
       ""},
      {"the axis back near the middle, but not yet below a quarter",
       [&] { SDL_JoystickSetVirtualAxis(stick, 0, -12000); }, ""},
      {"a quarter from the middle still holds it",
       [&] { SDL_JoystickSetVirtualAxis(stick, 0, -8192); }, ""},
      {"the axis at rest", [&] { SDL_JoystickSetVirtualAxis(stick, 0, 0); }, "-Previous "},
      {"the other way at once", [&] { SDL_JoystickSetVirtualAxis(stick, 0, 32767); }, "+Next "},
      {"a hat's diagonal is two directions",
       [&] { SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_RIGHTDOWN); }, "+NextLetter "},
  };
  for (const auto& row : rows) {
    seen.clear();
    row.act();
    source.Poll();
    EXPECT_EQ(seen, row.seen) << row.why;
  }
  // A flood of events is taken a bounded share per poll: the window keeps drawing meanwhile.
  for (int i = 0; i < 300; ++i) {
    SDL_Event event{};
    event.type = i % 2 == 0 ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    event.jbutton.button = 2;
    SDL_PushEvent(&event);
  }
  int presses = 0;
  const auto counted = QObject::connect(&source, &JoystickSource::pressed, [&] { ++presses; });
  source.Poll();
  EXPECT_EQ(presses, 128);
  source.Poll();
  EXPECT_EQ(presses, 150);
  QObject::disconnect(counted);
  EXPECT_EQ(source.Names().size(), 1u);
  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(device);
  source.Poll();
  EXPECT_TRUE(source.Names().empty());
}

}  // namespace
