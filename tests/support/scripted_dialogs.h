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
  static ShownBox Message(std::string text, MessageButtons buttons, std::string title);
  static ShownBox Input(std::string prompt, std::string title, std::string default_text);

  bool is_input = false;
  std::string text;  // the message, or the prompt
  std::string title;
  MessageButtons buttons = MessageButtons::kOk;  // message boxes only
  std::string default_text;                      // input boxes only

  bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

// Thrown when the code shows a box the script has no answer for: the queue is empty, the next
// answer is for the other kind of box, or the button is not on the box. A test fails there
// instead of hanging in a dialogue that asks again.
class ScriptError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Dialogs that answer from a queue, in order, and record every box shown.
class ScriptedDialogs : public Dialogs {
 public:
  // Queues the button that the next message box returns.
  ScriptedDialogs& Press(MessageResult button);
  // Queues the text that the next input box returns.
  ScriptedDialogs& Type(std::string text);
  // Queues Cancel for the next input box (it returns "").
  ScriptedDialogs& Cancel() { return Type(""); }

  // Every box shown so far, in order.
  const std::vector<ShownBox>& shown() const { return shown_; }
  // Answers not used yet.
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
  // Takes the next answer, which must be for the kind of box just recorded.
  Answer Next(bool is_input);

  std::deque<Answer> script_;
  std::vector<ShownBox> shown_;
};
