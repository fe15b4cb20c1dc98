#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/paths.h"
#include "extractor/command_line.h"
#include "extractor/console_view.h"
#include "extractor/driver.h"
#include "extractor/window.h"

namespace {

bool DisplayAvailable() {
  return std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLine line = ParseCommandLine(args);
  // Only a run that may show its window starts the window system: -hide needs no display.
  const bool may_show = line.empty || !line.options.hide;
  if (may_show && DisplayAvailable()) {
    QApplication app(argc, argv);
    ExtractorWindow window;
    return RunExtractor(args, ProgramFolder(), window);
  }
  QCoreApplication app(argc, argv);
  ConsoleView view;
  return RunExtractor(args, ProgramFolder(), view);
}
