#include <QApplication>
#include <QCoreApplication>
#include <string>
#include <vector>

#include "common/paths.h"
#include "extractor/command_line.h"
#include "extractor/console_view.h"
#include "extractor/display.h"
#include "extractor/driver.h"
#include "extractor/window.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLine line = ParseCommandLine(args);
  // Only a run that may show its window starts the window system: -hide needs no display.
  const bool may_show = MayShowWindow(line);
  // Without a display that answers, what the window would show goes to standard output.
  if (may_show && DisplayReachable()) {
    QApplication app(argc, argv);
    ExtractorWindow window;
    return RunExtractor(args, ProgramFolder(), window);
  }
  QCoreApplication app(argc, argv);
  ConsoleView view;
  return RunExtractor(args, ProgramFolder(), view);
}
