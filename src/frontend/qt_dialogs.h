#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "frontend/dialogs.h"

// The program's dialogs: modal message boxes and input boxes over the main window.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes are centred on; nullptr for none.
  void SetParent(QWidget* parent) { parent_ = parent; }

  MessageResult MessageBox(const std::string& text, MessageButtons buttons,
                           const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;

 private:
  QPointer<QWidget> parent_;
};
