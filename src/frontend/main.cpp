#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "common/paths.h"
#include "frontend/cabinet/cabinet_app.h"
#include "frontend/cabinet/cabinet_settings.h"
#include "frontend/check_window.h"
#include "frontend/main_window.h"
#include "frontend/qt_dialogs.h"

int main(int argc, char** argv) {
  // Videos through FFmpeg where Qt has it: it plays every format a cabinet's media come in
  // without further system plugins.
  if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvane");
  const QStringList arguments = QApplication::arguments();
  const auto value = [&arguments](const char* option) {
    const qsizetype at = arguments.indexOf(option);
    return at > 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
  };
  // Cabinet mode when asked for, or when the settings make it the default (a kiosk session
  // starts Orvane bare); --desktop opens the window whatever the settings say.
  const std::string program_folder = ProgramFolder();
  if (arguments.contains("--cabinet") ||
      (!arguments.contains("--desktop") && ReadCabinetSettings(program_folder).enabled)) {
    return RunCabinetMode(program_folder, value("--screenshot"), value("--table").toStdString());
  }
  QtDialogs dialogs;
  Form1 form(program_folder, dialogs);
  dialogs.SetParent(&form);
  if (!form.Form_Load()) return 0;  // the user left the first-run setup
  form.show();

  // Not for users: "--screenshot FILE" (with "--table FILE" in cabinet mode to choose the table
  // shown) saves the window as it first appears and ends, for the
  // documentation and for looking at the window on a machine without a screen; "--find TEXT"
  // types TEXT into the filter first, "--check FILE" also saves the collection check.
  const QString file = value("--screenshot"), find = value("--find"), check = value("--check");
  if (!file.isEmpty()) {
    // After the events of the first showing, so the window is laid out and painted.
    QTimer::singleShot(200, &form, [&form, file, find, check] {
      form.txtFilter->setText(find);
      bool saved = true;
      if (!check.isEmpty()) {
        form.cmdCheck_Click();
        QApplication::processEvents();
        saved = form.frmCheck->grab().save(check);
      }
      QApplication::processEvents();
      QApplication::exit(form.grab().save(file) && saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
