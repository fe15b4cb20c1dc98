#include "frontend/cabinet/buttons.h"

#include <QKeySequence>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

bool IsDirection(CabinetButton button) {
  return button == CabinetButton::kPrevious || button == CabinetButton::kNext ||
         button == CabinetButton::kPreviousLetter || button == CabinetButton::kNextLetter;
}

CabinetAction DirectionAction(CabinetButton button) {
  switch (button) {
    case CabinetButton::kPrevious:
      return CabinetAction::kPrevious;
    case CabinetButton::kNext:
      return CabinetAction::kNext;
    case CabinetButton::kPreviousLetter:
      return CabinetAction::kPreviousLetter;
    default:
      break;
  }
  return CabinetAction::kNextLetter;
}

// Splits a settings list at commas and blanks.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words(1);
  for (const char c : text) {
    if (c == ',' || c == ' ' || c == '\t') {
      if (!words.back().empty()) words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct SidedKey {
  const char* name;
  int qt_key;
  int side;
};
constexpr SidedKey kSidedKeys[] = {
    {"LShift", Qt::Key_Shift, 1},  {"RShift", Qt::Key_Shift, 2}, {"LCtrl", Qt::Key_Control, 1},
    {"RCtrl", Qt::Key_Control, 2}, {"LAlt", Qt::Key_Alt, 1},     {"RAlt", Qt::Key_Alt, 2},
};

struct HatDirection {
  const char* name;
  int bit;
};
constexpr HatDirection kHatDirections[] = {{"Up", 1}, {"Right", 2}, {"Down", 4}, {"Left", 8}};

}  // namespace

std::vector<CabinetAction> ButtonLogic::Press(CabinetButton button, int64_t now_ms) {
  Held& held = Of(button);
  if (held.down) return {};  // the system's own repeat: the logic repeats by itself
  held = {true, now_ms, now_ms + timing_.repeat_after, 0, false};
  std::vector<CabinetAction> actions = {CabinetAction::kWake};
  if (IsDirection(button)) {
    actions.push_back(DirectionAction(button));
  } else if (button == CabinetButton::kMenu) {
    actions.push_back(CabinetAction::kMenu);
    held.acted = true;
  } else if (button == CabinetButton::kBack && last_back_ &&
             now_ms - *last_back_ <= timing_.back_twice) {
    actions.push_back(CabinetAction::kQuit);
    held.acted = true;
    last_back_.reset();
  }
  return actions;
}

std::vector<CabinetAction> ButtonLogic::Release(CabinetButton button, int64_t now_ms) {
  std::vector<CabinetAction> actions = Tick(now_ms);
  Held& held = Of(button);
  if (!held.down) return actions;
  held.down = false;
  if (held.acted) return actions;
  if (button == CabinetButton::kStart) actions.push_back(CabinetAction::kPlay);
  if (button == CabinetButton::kBack) {
    actions.push_back(CabinetAction::kBack);
    last_back_ = now_ms;
  }
  return actions;
}

std::vector<CabinetAction> ButtonLogic::Tick(int64_t now_ms) {
  std::vector<CabinetAction> actions;
  for (int i = 0; i < kCabinetButtonCount; ++i) {
    const auto button = static_cast<CabinetButton>(i);
    Held& held = held_[i];
    if (!held.down) continue;
    if (IsDirection(button)) {
      while (!held.acted && held.next_repeat <= now_ms) {
        actions.push_back(DirectionAction(button));
        // Each repeat comes a little sooner, down to the fastest.
        const int64_t interval =
            std::max(timing_.repeat_fastest, timing_.repeat_first - 10 * int64_t{held.repeats});
        ++held.repeats;
        held.next_repeat += interval;
      }
    } else if (!held.acted && button == CabinetButton::kStart &&
               now_ms - held.since >= timing_.start_held) {
      actions.push_back(CabinetAction::kMenu);
      held.acted = true;
    } else if (!held.acted && button == CabinetButton::kBack &&
               now_ms - held.since >= timing_.back_held) {
      actions.push_back(CabinetAction::kQuit);
      held.acted = true;
    }
  }
  return actions;
}

void ButtonLogic::Swallow(CabinetButton button) {
  Held& held = Of(button);
  held.acted = true;
  held.next_repeat = INT64_MAX;
}

void ButtonLogic::ReleaseAll() {
  for (Held& held : held_) held = {};
  last_back_.reset();
}

std::optional<int64_t> ButtonLogic::NextDue() const {
  std::optional<int64_t> due;
  for (int i = 0; i < kCabinetButtonCount; ++i) {
    const Held& held = held_[i];
    if (!held.down || held.acted) continue;
    const auto button = static_cast<CabinetButton>(i);
    const int64_t at = IsDirection(button)               ? held.next_repeat
                       : button == CabinetButton::kStart ? held.since + timing_.start_held
                       : button == CabinetButton::kBack  ? held.since + timing_.back_held
                                                         : -1;
    if (at >= 0 && (!due || at < *due)) due = at;
  }
  return due;
}

const char* ButtonSettingName(CabinetButton button) {
  switch (button) {
    case CabinetButton::kPrevious:
      return "Previous";
    case CabinetButton::kNext:
      return "Next";
    case CabinetButton::kPreviousLetter:
      return "PreviousLetter";
    case CabinetButton::kNextLetter:
      return "NextLetter";
    case CabinetButton::kStart:
      return "Start";
    case CabinetButton::kBack:
      return "Back";
    case CabinetButton::kMenu:
      break;
  }
  return "Menu";
}

std::vector<KeyName> ParseKeyNames(const std::string& text, std::vector<std::string>* unknown) {
  std::vector<KeyName> keys;
  for (const std::string& word : Words(text)) {
    const auto sided =
        std::find_if(std::begin(kSidedKeys), std::end(kSidedKeys),
                     [&](const SidedKey& k) { return Lower(k.name) == Lower(word); });
    if (sided != std::end(kSidedKeys)) {
      keys.push_back({sided->qt_key, sided->side});
      continue;
    }
    // Qt's own names, in any case ("return", "esc" and "escape" both work).
    const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(word));
    if (sequence.count() == 1 && sequence[0].keyboardModifiers() == Qt::NoModifier &&
        sequence[0].key() != Qt::Key_unknown) {
      keys.push_back({sequence[0].key(), 0});
    } else if (unknown != nullptr) {
      unknown->push_back(word);
    }
  }
  return keys;
}

std::string KeyNameText(const KeyName& key) {
  for (const SidedKey& sided : kSidedKeys) {
    if (sided.qt_key == key.qt_key && sided.side == (key.side == 0 ? 1 : key.side)) {
      return sided.name;
    }
  }
  return QKeySequence(key.qt_key).toString().toStdString();
}

std::string DefaultKeys(CabinetButton button) {
  switch (button) {
    case CabinetButton::kPrevious:
      return "LShift";
    case CabinetButton::kNext:
      return "RShift";
    case CabinetButton::kPreviousLetter:
      return "LCtrl";
    case CabinetButton::kNextLetter:
      return "RCtrl";
    case CabinetButton::kStart:
      return "1, Return";
    case CabinetButton::kBack:
      return "Esc";
    case CabinetButton::kMenu:
      break;
  }
  return "";
}

std::string DefaultJoystick(CabinetButton button) {
  switch (button) {
    case CabinetButton::kPrevious:
      return "B4, H0Left, A0-";
    case CabinetButton::kNext:
      return "B5, H0Right, A0+";
    case CabinetButton::kPreviousLetter:
      return "H0Up, A1-";
    case CabinetButton::kNextLetter:
      return "H0Down, A1+";
    case CabinetButton::kStart:
      return "B0";
    case CabinetButton::kBack:
      return "B1";
    case CabinetButton::kMenu:
      break;
  }
  return "B7";
}

std::vector<JoystickInput> ParseJoystickInputs(const std::string& text,
                                               std::vector<std::string>* unknown) {
  std::vector<JoystickInput> inputs;
  for (const std::string& word : Words(text)) {
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    size_t end = 1;
    int index = 0;
    while (end < word.size() && end < 4 && std::isdigit(static_cast<unsigned char>(word[end]))) {
      index = index * 10 + (word[end++] - '0');
    }
    const std::string rest = Lower(word.substr(end));
    std::optional<JoystickInput> input;
    if (end > 1 && kind == 'B' && rest.empty()) {
      input = JoystickInput{JoystickInput::Kind::kButton, index, 0};
    } else if (end > 1 && kind == 'A' && (rest == "-" || rest == "+")) {
      input = JoystickInput{JoystickInput::Kind::kAxis, index, rest == "-" ? -1 : 1};
    } else if (end > 1 && kind == 'H') {
      for (const HatDirection& direction : kHatDirections) {
        if (Lower(direction.name) == rest) {
          input = JoystickInput{JoystickInput::Kind::kHat, index, direction.bit};
        }
      }
    }
    if (input) {
      inputs.push_back(*input);
    } else if (unknown != nullptr) {
      unknown->push_back(word);
    }
  }
  return inputs;
}

std::string JoystickInputText(const JoystickInput& input) {
  const std::string index = std::to_string(input.index);
  switch (input.kind) {
    case JoystickInput::Kind::kButton:
      return "B" + index;
    case JoystickInput::Kind::kAxis:
      return "A" + index + (input.direction < 0 ? "-" : "+");
    case JoystickInput::Kind::kHat:
      break;
  }
  for (const HatDirection& direction : kHatDirections) {
    if (direction.bit == input.direction) return "H" + index + direction.name;
  }
  return "H" + index;
}
