#include "support/scripted_dialogs.h"

#include <sstream>

void PrintTo(const ShownBox& box, std::ostream* out) {
  static const char* const kButtons[] = {"OK", "OK/Cancel", "Yes/No"};
  *out << (box.is_input ? "InputBox(\"" : "MessageBox(\"") << box.text << "\", title \""
       << box.title << "\", "
       << (box.is_input ? "default \"" + box.default_text + "\""
                        : kButtons[static_cast<int>(box.buttons)])
       << ")";
}

ScriptedDialogs& ScriptedDialogs::Press(MessageResult button) {
  script_.push_back({false, button, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::Type(std::string text) {
  script_.push_back({true, MessageResult::kCancel, std::move(text)});
  return *this;
}

ScriptedDialogs::Answer ScriptedDialogs::Next(bool is_input) {
  std::ostringstream where;
  PrintTo(shown_.back(), &where);
  if (script_.empty()) throw ScriptError("no scripted answer left for " + where.str());
  Answer answer = std::move(script_.front());
  script_.pop_front();
  if (answer.is_input != is_input) throw ScriptError("answer for another kind of " + where.str());
  return answer;
}

MessageResult ScriptedDialogs::MessageBox(const std::string& text, MessageButtons buttons,
                                          const std::string& title) {
  shown_.push_back({false, text, title, buttons, {}});
  const MessageResult button = Next(false).button;
  const bool yes_no = button == MessageResult::kYes || button == MessageResult::kNo;
  if (yes_no != (buttons == MessageButtons::kYesNo) ||
      (buttons == MessageButtons::kOk && button != MessageResult::kOk)) {
    throw ScriptError("the scripted button is not on the box");
  }
  return button;
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) {
  shown_.push_back(ShownBox::Input(prompt, title, default_text));
  return Next(true).text;
}
