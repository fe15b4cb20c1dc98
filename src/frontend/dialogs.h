#pragma once

#include <string>

// Buttons of a message box, and the button pressed.
enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageResult { kOk, kCancel, kYes, kNo };

// The modal questions the front-end asks. The program uses message and input boxes; tests
// replace them with scripted answers.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows `text` with `buttons`; an empty `title` shows the program's name.
  virtual MessageResult MessageBox(const std::string& text, MessageButtons buttons,
                                   const std::string& title) = 0;
  // Asks for a text; returns the text typed, or "" on Cancel.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& default_text) = 0;
};
