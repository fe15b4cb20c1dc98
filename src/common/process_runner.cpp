#include "common/process_runner.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"

int ShowValueForStyle(double style, bool has_arguments) {
  const double code = std::floor(style);
  // A code that does not fit 16 bits (or is no number) counts as "any other value".
  if (!(code >= INT16_MIN && code <= INT16_MAX)) return 1;
  const int s = static_cast<int16_t>(code);
  if (has_arguments) return s;
  switch (s) {
    case 0:
      return 0;
    case 1:
      return 3;
    case 2:
      return 2;
    case 3:
      return 6;
    case 4:
      return 1;
    case 5:
      return 4;
    default:
      return 1;
  }
}

namespace {

// The file to start for `name`: a bare name is looked up in `folder` first (without regard
// to case, like every file name here), then on PATH. Other names are left to the start.
QString ResolveProgram(const QString& name, const std::string& folder) {
  if (name.contains(u'/')) return name;
  if (!folder.empty()) {
    const std::string joined =
        folder.back() == '/' ? folder + name.toStdString() : folder + "/" + name.toStdString();
    const std::string found = FindExistingPath(joined);
    const QFileInfo info(QString::fromStdString(found));
    if (!found.empty() && info.isFile() && info.isExecutable()) return info.absoluteFilePath();
  }
  const QString on_path = QStandardPaths::findExecutable(name);
  return on_path.isEmpty() ? name : on_path;
}

void ReportWaitFailure(const WaitFailureReporter& report_failure) {
  static const std::string kMessage = "Wait failed or abandoned";
  if (report_failure) {
    report_failure(kMessage);
  } else {
    std::cerr << kMessage << '\n';
  }
}

// Bytes above 0x7F travel through the splitting as private-use characters, which are neither
// spaces nor quotes, and come back as the same bytes.
constexpr char16_t kCarriedByteBase = 0xF700;

}  // namespace

std::vector<std::string> SplitCommandBytes(const std::string& command) {
  QString carried;
  carried.reserve(static_cast<qsizetype>(command.size()));
  for (const char c : command) {
    const auto byte = static_cast<unsigned char>(c);
    carried += QChar(static_cast<char16_t>(byte < 0x80 ? byte : kCarriedByteBase + byte));
  }
  std::vector<std::string> words;
  for (const QString& word : QProcess::splitCommand(carried)) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(word.size()));
    for (const QChar c : word) {
      const char16_t unit = c.unicode();
      bytes += static_cast<char>(unit < 0x80 ? unit : unit - kCarriedByteBase);
    }
    words.push_back(std::move(bytes));
  }
  return words;
}

RunOutcome RunToEnd(std::string& folder, const std::string& program, const std::string& arguments,
                    double style, const WaitFailureReporter& report_failure,
                    const RunOptions& options) {
  RunOutcome outcome;
  if (!folder.empty() && folder[0] == '\\') {
    folder = BackslashesToSlashes(ProgramFolder() + folder);
  }

  // Kept for platforms that honour it; X11 and Wayland give no control over another program's
  // window, so a hidden or maximised start looks like any other here.
  [[maybe_unused]] const int show_value = ShowValueForStyle(style, !arguments.empty());

  // The current folder stays changed afterwards, as callers expect; a folder that cannot be
  // entered is ignored and the program starts where we are.
  const QString q_folder = QString::fromStdString(folder);
  const bool entered = !folder.empty() && QDir::setCurrent(q_folder);

  const std::string command = arguments.empty() ? program : program + " " + arguments;
  const std::vector<std::string> words = SplitCommandBytes(command);

  // Heap-owned so that an abandoned wait can let the program run on instead of killing it.
  auto process = std::make_unique<QProcess>();
  // The child's arguments as bytes, made before it exists: between fork and exec it may only
  // make the exec.
  std::vector<std::string> exec_words;
  std::vector<char*> exec_argv;
  bool started = false;
  if (!words.empty()) {
    const QString executable = ResolveProgram(QString::fromStdString(words.front()), folder);
    QStringList q_arguments;
    for (size_t i = 1; i < words.size(); ++i) q_arguments << QString::fromStdString(words[i]);
    if (!std::all_of(words.begin(), words.end(), IsValidUtf8)) {
      // The toolkit hands over arguments as text, which has no form for bytes that are no UTF-8:
      // the child starts the program itself with the very bytes. Should that fail, the
      // toolkit's own start runs and reports the failure.
      exec_words = words;
      exec_words.front() = QFile::encodeName(executable).toStdString();
      for (std::string& word : exec_words) exec_argv.push_back(word.data());
      exec_argv.push_back(nullptr);
      process->setChildProcessModifier([&exec_argv] { ::execv(exec_argv[0], exec_argv.data()); });
    }
    if (entered) process->setWorkingDirectory(q_folder);
    // Output goes where ours goes, so the program can never block on a full pipe, and it
    // gets no input to wait for.
    process->setProcessChannelMode(options.error_tail != nullptr ? QProcess::ForwardedOutputChannel
                                                                 : QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    if (!options.environment.empty()) {
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      for (const auto& [name, value] : options.environment) {
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
      }
      process->setProcessEnvironment(environment);
    }
    process->start(executable, q_arguments);
    started = process->waitForStarted();
  }

  QThread::msleep(200);
  if (!started) return outcome;
  outcome.started = true;
  // Whatever the program wrote must be read as it is now, not as a read checked it before.
  struct RecheckOnReturn {
    ~RecheckOnReturn() { RecheckProfileFiles(); }
  } recheck_on_return;

  // Only the end of what the program says on its error output is kept: a chatty one must not
  // fill memory, nor block on a full pipe.
  const auto keep_error_output = [&process, &options] {
    if (options.error_tail == nullptr) return;
    *options.error_tail += process->readAllStandardError().toStdString();
    if (options.error_tail->size() > kErrorTailBytes) {
      options.error_tail->erase(0, options.error_tail->size() - kErrorTailBytes);
    }
  };
  for (;;) {
    keep_error_output();
    if (process->waitForFinished(1)) break;
    // The end may already have been noticed by the event processing below, perhaps inside a
    // nested call; then waitForFinished has nothing left to wait for.
    if (process->state() == QProcess::NotRunning) break;
    if (process->error() != QProcess::Timedout) {
      ReportWaitFailure(report_failure);
      QProcess* orphan = process.release();
      QObject::connect(orphan, &QProcess::finished, orphan, &QObject::deleteLater);
      return outcome;
    }
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
  }
  keep_error_output();
  // After a crash the toolkit gives the signal as the exit code.
  outcome.crashed = process->exitStatus() == QProcess::CrashExit;
  outcome.status = process->exitCode();
  return outcome;
}

bool RunAndWait(std::string& folder, const std::string& program, const std::string& arguments,
                double style, const WaitFailureReporter& report_failure, int* exit_code) {
  const RunOutcome outcome = RunToEnd(folder, program, arguments, style, report_failure);
  if (exit_code != nullptr) *exit_code = outcome.crashed ? -1 : outcome.status;
  return outcome.started;
}

std::string QuotedArgument(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string(3, '"') : std::string(1, c);
  return quoted + "\"";
}
