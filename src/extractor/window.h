#pragma once

#include <memory>
#include <string>

#include "extractor/extractor_view.h"

class QLabel;
class QWidget;

// The extractor's small window "Tabrin INI Generator": one label, lblCommand, that shows every
// message. The widget is created on the first Show, so a hidden run needs no display.
class ExtractorWindow : public ExtractorView {
 public:
  ExtractorWindow();
  ~ExtractorWindow() override;

  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }
  void Show() override;
  void Repaint() override;
  void Beep() override;
  void WaitUntilClosed() override;
  void ReportFailure(const std::string& message) override;

 private:
  void Create();

  std::string text_;
  std::unique_ptr<QWidget> form_;
  QLabel* label_ = nullptr;
};
