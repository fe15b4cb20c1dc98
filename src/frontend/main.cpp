#include <QApplication>

#include "common/paths.h"
#include "frontend/main_window.h"
#include "frontend/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvane");
  QtDialogs dialogs;
  Form1 form(ProgramFolder(), dialogs);
  dialogs.SetParent(&form);
  form.Form_Load();
  form.show();
  return QApplication::exec();
}
