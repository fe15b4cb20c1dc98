#pragma once

#include <string>

// What the extractor's driver shows: its window, or standard output without a display.
class ExtractorView {
 public:
  virtual ~ExtractorView() = default;
  // Replaces the text of lblCommand.
  virtual void SetText(const std::string& text) = 0;
  // Returns the text of lblCommand.
  virtual std::string Text() const = 0;
  // Shows the window.
  virtual void Show() = 0;
  // Repaints lblCommand at once, so progress shows while a folder is processed.
  virtual void Repaint() = 0;
  // Sounds the platform's beep.
  virtual void Beep() = 0;
  // Runs until the user closes the window; returns at once without one.
  virtual void WaitUntilClosed() = 0;
  // Tells the user of a failure: in a message box while the window is shown, else on standard
  // error.
  virtual void ReportFailure(const std::string& message) = 0;
};
