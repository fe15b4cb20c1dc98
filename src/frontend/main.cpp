#include <QApplication>
#include <QTimer>

#include "common/paths.h"
#include "frontend/main_window.h"
#include "frontend/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvane");
  QtDialogs dialogs;
  Form1 form(ProgramFolder(), dialogs);
  dialogs.SetParent(&form);
  if (!form.Form_Load()) return 0;  // the user left the first-run setup
  form.show();

  // Not for users: "--screenshot FILE" saves the window as it first appears and ends, for the
  // documentation and for looking at the window on a machine without a screen.
  const QStringList arguments = QApplication::arguments();
  const qsizetype screenshot = arguments.indexOf("--screenshot");
  if (screenshot > 0 && screenshot + 1 < arguments.size()) {
    const QString file = arguments[screenshot + 1];
    // After the events of the first showing, so the window is laid out and painted.
    QTimer::singleShot(200, &form,
                       [&form, file] { QApplication::exit(form.grab().save(file) ? 0 : 1); });
  }
  return QApplication::exec();
}
