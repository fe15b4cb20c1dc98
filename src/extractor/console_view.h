#pragma once

#include <string>

#include "extractor/extractor_view.h"

// Stands in for the window where there is no display: what the window would show goes to
// standard output, and nothing waits for a user.
class ConsoleView : public ExtractorView {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  void Show() override { Print(); }
  void Repaint() override { Print(); }
  void Beep() override {}
  void WaitUntilClosed() override { Print(); }
  void ReportFailure(const std::string& message) override;

 private:
  // Prints the text unless it is what was printed last.
  void Print();

  std::string text_;
  std::string printed_;
  bool printed_once_ = false;
};
