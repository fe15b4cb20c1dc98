#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The show value the platform's start operation receives for window style `style` (its integer
// part is the code): the code's table value when no arguments are given, the code itself when
// arguments are given. X11 and Wayland give no control over another program's window, so the
// value is computed and kept but changes nothing there.
int ShowValueForStyle(double style, bool has_arguments);

// Called with "Wait failed or abandoned" when waiting for the started program fails. The
// front-end shows a message box; without one the text goes to standard error.
using WaitFailureReporter = std::function<void(const std::string& message)>;

// Starts `program` (with `arguments`, "" for none) in `folder` and returns when it has ended,
// processing the caller's pending events every millisecond in between. A folder starting with
// "\" is taken relative to the program folder and `folder` receives the absolute form. A program
// name without "/" is looked up in `folder` first, then on PATH. The process's current folder
// becomes `folder`; a folder that cannot be entered is ignored, and the program starts where
// the caller is. A program that cannot be started returns false after the 200 ms pause; the
// caller decides whether that is worth a message. `exit_code`, when given, receives the program's
// exit status, or -1 when it crashed or was not waited for.
bool RunAndWait(std::string& folder, const std::string& program, const std::string& arguments,
                double style, const WaitFailureReporter& report_failure = nullptr,
                int* exit_code = nullptr);

// How a program run by RunToEnd ended.
struct RunOutcome {
  bool started = false;  // false: it could not be started
  bool crashed = false;  // it was ended by a signal
  int status = -1;       // its exit status, or the signal that ended it; -1 when not waited for
};

// What RunToEnd may add to a start.
struct RunOptions {
  // Variables set for the program, beside those of this process.
  std::vector<std::pair<std::string, std::string>> environment;
  // When set, receives the last kErrorTailBytes the program wrote on its error output (which
  // then does not go to ours).
  std::string* error_tail = nullptr;
};
inline constexpr size_t kErrorTailBytes = 16 * 1024;

// RunAndWait, telling how the program ended: whether it started, and its exit status or the
// signal that ended it.
RunOutcome RunToEnd(std::string& folder, const std::string& program, const std::string& arguments,
                    double style, const WaitFailureReporter& report_failure = nullptr,
                    const RunOptions& options = {});

// The words of a command text as the runner splits it (spaces part words outside double quotes;
// three double quotes stand for one), each word's bytes as they are in `command`, so that a file
// name that is no UTF-8 reaches the program as its own name.
std::vector<std::string> SplitCommandBytes(const std::string& command);

// Returns `text` in double quotes, with each double quote inside it tripled, so that RunAndWait's
// splitting of a command text gives `text` back as one argument whatever it holds.
std::string QuotedArgument(const std::string& text);
