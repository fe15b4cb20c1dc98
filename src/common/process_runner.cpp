#include "common/process_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

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

}  // namespace

bool RunAndWait(std::string& folder, const std::string& program, const std::string& arguments,
                double style, const WaitFailureReporter& report_failure, int* exit_code) {
  if (exit_code != nullptr) *exit_code = -1;
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
  QStringList words = QProcess::splitCommand(QString::fromStdString(command));

  // Heap-owned so that an abandoned wait can let the program run on instead of killing it.
  auto process = std::make_unique<QProcess>();
  bool started = false;
  if (!words.isEmpty()) {
    const QString executable = ResolveProgram(words.takeFirst(), folder);
    if (entered) process->setWorkingDirectory(q_folder);
    // Output goes where ours goes, so the program can never block on a full pipe, and it
    // gets no input to wait for.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(executable, words);
    started = process->waitForStarted();
  }

  QThread::msleep(200);
  if (!started) return false;
  // Whatever the program wrote must be read as it is now, not as a read checked it before.
  struct RecheckOnReturn {
    ~RecheckOnReturn() { RecheckProfileFiles(); }
  } recheck_on_return;

  for (;;) {
    if (process->waitForFinished(1)) break;
    // The end may already have been noticed by the event processing below, perhaps inside a
    // nested call; then waitForFinished has nothing left to wait for.
    if (process->state() == QProcess::NotRunning) break;
    if (process->error() != QProcess::Timedout) {
      ReportWaitFailure(report_failure);
      QProcess* orphan = process.release();
      QObject::connect(orphan, &QProcess::finished, orphan, &QObject::deleteLater);
      return true;
    }
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
  }
  if (exit_code != nullptr && process->exitStatus() == QProcess::NormalExit) {
    *exit_code = process->exitCode();
  }
  return true;
}

std::string QuotedArgument(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string(3, '"') : std::string(1, c);
  return quoted + "\"";
}
