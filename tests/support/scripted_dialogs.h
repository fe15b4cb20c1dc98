#pragma once

#include <deque>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "frontend/dialogs.h"

// A box as it was shown: a message box (text, buttons, title) or an input box (prompt, title,
// default text).
struct ShownBox {
  static ShownBox Input(std::string prompt, std::string title, std::string default_text) {
    return {true, std::move(prompt), std::move(title), MessageButtons::kOk,
            std::move(default_text)};
  }
  bool is_input = false;
  std::string text;  // the message, or the prompt
  std::string title;
  MessageButtons buttons = MessageButtons::kOk;  // message boxes only
  std::string default_text;                      // input boxes only
  bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

// Thrown when the code shows a box the script has no answer for (none left, one for the other
// kind of box, or a button the box lacks): the test fails instead of hanging in a dialogue.
struct ScriptError : std::logic_error {
  using std::logic_error::logic_error;
};

// Dialogs that answer from a queue, in order, and record every box shown.
class ScriptedDialogs : public Dialogs {
 public:
  ScriptedDialogs& Press(MessageResult button);  // the next message box returns `button`
  ScriptedDialogs& Type(std::string text);       // the next input box returns `text`
  ScriptedDialogs& Cancel() { return Type(""); }
  const std::vector<ShownBox>& shown() const { return shown_; }
  size_t remaining() const { return script_.size(); }

  MessageResult MessageBox(const std::string& text, MessageButtons buttons,
                           const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;

 private:
  struct Answer {
    bool is_input;
    MessageResult button;
    std::string text;
  };
  Answer Next(bool is_input);  // the next answer, which must be for the box just shown

  std::deque<Answer> script_;
  std::vector<ShownBox> shown_;
};
