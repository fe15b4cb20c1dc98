#include "extractor/console_view.h"

#include <cstdio>

#include "extractor/messages.h"

void ConsoleView::Print() {
  if (text_.empty() || (printed_once_ && text_ == printed_)) return;
  std::string out;
  for (size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') continue;
    out += text_[i];
  }
  std::fprintf(stdout, "%s\n\n", out.c_str());
  std::fflush(stdout);
  printed_ = text_;
  printed_once_ = true;
}

void ConsoleView::ReportFailure(const std::string& message) { PrintError(message); }
