#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The cabinet's buttons as cabinet mode reads them, whatever sends them (keyboard encoders,
// joysticks): which button was pressed or released, and what that means once held, repeated or
// pressed twice. Plain logic over times in milliseconds, so tests need no clock.

// The buttons that mean something in cabinet mode.
enum class CabinetButton { kPrevious, kNext, kPreviousLetter, kNextLetter, kStart, kBack, kMenu };
inline constexpr int kCabinetButtonCount = 7;

// What cabinet mode does.
enum class CabinetAction {
  kPrevious,        // the table before (a held button repeats, faster and faster)
  kNext,            // the table after
  kPreviousLetter,  // the first table of the initial before
  kNextLetter,      // the first table of the next initial
  kPlay,            // Start pressed and let go before it counts as held
  kMenu,            // Start held, or the menu button
  kBack,            // back once (closes a menu)
  kQuit,            // back held or pressed twice in a row
  kWake,            // any button at all: ends attract mode before anything else is done
};

// Times of the buttons' logic, in milliseconds.
struct ButtonTiming {
  int64_t repeat_after = 400;   // a held direction starts repeating
  int64_t repeat_first = 160;   // the first repeats come this often
  int64_t repeat_fastest = 30;  // and speed up to this
  int64_t start_held = 1000;    // Start held this long opens the menu instead of playing
  int64_t back_held = 2000;     // Back held this long quits
  int64_t back_twice = 800;     // a second Back within this quits
};

// Turns presses and releases into actions. Every call returns the actions due, in order.
class ButtonLogic {
 public:
  explicit ButtonLogic(ButtonTiming timing = {}) : timing_(timing) {}

  std::vector<CabinetAction> Press(CabinetButton button, int64_t now_ms);
  std::vector<CabinetAction> Release(CabinetButton button, int64_t now_ms);
  // Repeats and holds that have come due by `now_ms`.
  std::vector<CabinetAction> Tick(int64_t now_ms);
  // Forgets every held button (the window lost the keys, a game started).
  void ReleaseAll();
  // The press of `button` has been used up (it ended attract mode): its hold, repeats and
  // release do nothing.
  void Swallow(CabinetButton button);
  // When the next Tick may have something to do; nothing while no button is held.
  std::optional<int64_t> NextDue() const;

 private:
  struct Held {
    bool down = false;
    int64_t since = 0;
    int64_t next_repeat = 0;
    int repeats = 0;
    bool acted = false;  // a hold already acted: the release does nothing
  };
  Held& Of(CabinetButton button) { return held_[static_cast<int>(button)]; }

  ButtonTiming timing_;
  Held held_[kCabinetButtonCount];
  std::optional<int64_t> last_back_;  // when Back was last let go
};

// The name of a button in settings ("Previous", "Next", "PreviousLetter", "NextLetter",
// "Start", "Back", "Menu"): orvane.ini [Cabinet] has Key<name> and Joy<name>.
const char* ButtonSettingName(CabinetButton button);

// Keyboard keys as [Cabinet] Key settings name them: Qt's key names ("Return", "Escape", "1",
// "A", "F5", "Left"), and for the keys a cabinet's encoder sends on either side "LShift",
// "RShift", "LCtrl", "RCtrl", "LAlt", "RAlt". A key event is told by its Qt key and, for those,
// its side.
struct KeyName {
  int qt_key = 0;
  int side = 0;  // 0 for either, 1 left, 2 right
  bool operator==(const KeyName&) const = default;
};

// Parses a list of key names separated by commas or spaces ("1, Return"); unknown names are left
// out and reported in `unknown` when given.
std::vector<KeyName> ParseKeyNames(const std::string& text,
                                   std::vector<std::string>* unknown = nullptr);

// The name of a key event for the settings window's "press a key" ("RShift", "Return").
std::string KeyNameText(const KeyName& key);

// The default keys of each button, as cabinets are wired.
std::string DefaultKeys(CabinetButton button);
// The default joystick inputs of each button ("B0", "H0Left", "A0-").
std::string DefaultJoystick(CabinetButton button);

// Joystick inputs as [Cabinet] Joy settings name them: "B<n>" a button, "A<n>-"/"A<n>+" an axis
// pushed past half way, "H<n>Left/Right/Up/Down" a hat's direction.
struct JoystickInput {
  enum class Kind { kButton, kAxis, kHat } kind = Kind::kButton;
  int index = 0;
  int direction = 0;  // axes: -1 or +1; hats: the SDL hat bit (1 up, 2 right, 4 down, 8 left)
  bool operator==(const JoystickInput&) const = default;
};
std::vector<JoystickInput> ParseJoystickInputs(const std::string& text,
                                               std::vector<std::string>* unknown = nullptr);
std::string JoystickInputText(const JoystickInput& input);
