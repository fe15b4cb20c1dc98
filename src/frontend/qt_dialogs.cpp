#include "frontend/qt_dialogs.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString TitleOrProgramName(const std::string& title) {
  return title.empty() ? QGuiApplication::applicationDisplayName() : QString::fromStdString(title);
}

}  // namespace

MessageResult QtDialogs::MessageBox(const std::string& text, MessageButtons buttons,
                                    const std::string& title) {
  QMessageBox::StandardButtons shown = QMessageBox::Ok;
  if (buttons == MessageButtons::kOkCancel) shown = QMessageBox::Ok | QMessageBox::Cancel;
  if (buttons == MessageButtons::kYesNo) shown = QMessageBox::Yes | QMessageBox::No;
  QMessageBox box(QMessageBox::NoIcon, TitleOrProgramName(title), QString::fromStdString(text),
                  shown, parent_);
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return MessageResult::kCancel;
    case QMessageBox::Yes:
      return MessageResult::kYes;
    case QMessageBox::No:
      return MessageResult::kNo;
    default:
      return MessageResult::kOk;
  }
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& default_text) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(TitleOrProgramName(title));
  dialog.setLabelText(QString::fromStdString(prompt));
  dialog.setTextValue(QString::fromStdString(default_text));
  // Cancel answers the empty text, as an input box always has.
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}
