#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/cabinet/buttons.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QWidget;
class JoystickSource;
class InputMap;

// Every setting of orvane.ini for both faces, with Browse buttons for folders and programs, the
// screens the system reports for each cabinet role (and a way to see which is which), and each
// cabinet button's keys set by pressing them. It writes through the profile layer, only what was
// changed, so that a setting left alone keeps taking its default.
class SettingsWindow : public QDialog {
 public:
  // `program_folder` holds orvane.ini (no trailing separator).
  explicit SettingsWindow(std::string program_folder, QWidget* parent = nullptr);
  ~SettingsWindow() override;

  // Writes what was changed. False, with a message shown through `report`, when orvane.ini
  // could not be written.
  bool Save();
  // Shows a failure; a message box unless replaced (tests).
  std::function<void(const QString& message)> report;

  // The editor of `section`/`key` ("Dirs"/"TablePath"), for tests; nullptr when there is none.
  QLineEdit* Field(const QString& section, const QString& key) const;
  QCheckBox* Switch(const QString& section, const QString& key) const;
  QComboBox* ScreenChoice(int role) const;
  // Starts waiting for the key of `button` (the "Press a key" button does this).
  void CaptureKey(CabinetButton button);
  // Opens a window on every screen that shows its name, for a few seconds.
  void ShowScreenNames();
  const std::vector<QWidget*>& name_windows() const { return name_windows_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QString section, key, initial;
    QLineEdit* line = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* combo = nullptr;
    QSpinBox* spin = nullptr;
    QString Value() const;
  };
  QWidget* FoldersPage();
  QWidget* StartPage();
  QWidget* CabinetPage();
  QWidget* ButtonsPage();
  QLineEdit* AddLine(QWidget* page, const QString& section, const QString& key,
                     const QString& label, const QString& placeholder, int browse);

  std::string program_folder_;
  std::string file_;
  std::vector<Entry> entries_;
  std::vector<QComboBox*> screens_;
  std::vector<QLineEdit*> key_lines_;
  int capturing_ = -1;  // the button whose key the next key press sets, -1 for none
  std::vector<QWidget*> name_windows_;
  std::unique_ptr<InputMap> input_map_;
  std::unique_ptr<JoystickSource> joystick_;
  std::vector<QLineEdit*> joy_lines_;
  int capturing_joystick_ = -1;
};
