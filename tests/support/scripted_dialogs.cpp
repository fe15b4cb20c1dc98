#include "support/scripted_dialogs.h"

#include <sstream>
#include <utility>

namespace {

const char* ButtonsName(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return "OK";
    case MessageButtons::kOkCancel:
      return "OK/Cancel";
    case MessageButtons::kYesNo:
      return "Yes/No";
  }
  return "?";
}

bool OnBox(MessageResult button, MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return button == MessageResult::kOk;
    case MessageButtons::kOkCancel:
      return button == MessageResult::kOk || button == MessageResult::kCancel;
    case MessageButtons::kYesNo:
      return button == MessageResult::kYes || button == MessageResult::kNo;
  }
  return false;
}

std::string Describe(const ShownBox& box) {
  std::ostringstream out;
  PrintTo(box, &out);
  return out.str();
}

}  // namespace

ShownBox ShownBox::Message(std::string text, MessageButtons buttons, std::string title) {
  ShownBox box;
  box.text = std::move(text);
  box.buttons = buttons;
  box.title = std::move(title);
  return box;
}

ShownBox ShownBox::Input(std::string prompt, std::string title, std::string default_text) {
  ShownBox box;
  box.is_input = true;
  box.text = std::move(prompt);
  box.title = std::move(title);
  box.default_text = std::move(default_text);
  return box;
}

void PrintTo(const ShownBox& box, std::ostream* out) {
  if (box.is_input) {
    *out << "InputBox(\"" << box.text << "\", title \"" << box.title << "\", default \""
         << box.default_text << "\")";
  } else {
    *out << "MessageBox(\"" << box.text << "\", " << ButtonsName(box.buttons) << ", title \""
         << box.title << "\")";
  }
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
  const std::string where = "box " + std::to_string(shown_.size()) + ", " + Describe(shown_.back());
  if (script_.empty()) throw ScriptError("no scripted answer left for " + where);
  Answer answer = std::move(script_.front());
  script_.pop_front();
  if (answer.is_input != is_input) {
    throw ScriptError("the scripted answer is for another kind of box than " + where);
  }
  return answer;
}

MessageResult ScriptedDialogs::MessageBox(const std::string& text, MessageButtons buttons,
                                          const std::string& title) {
  shown_.push_back(ShownBox::Message(text, buttons, title));
  const MessageResult button = Next(false).button;
  if (!OnBox(button, buttons))
    throw ScriptError("the scripted button is not on " + Describe(shown_.back()));
  return button;
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) {
  shown_.push_back(ShownBox::Input(prompt, title, default_text));
  return Next(true).text;
}
