#include "frontend/settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/profile.h"
#include "common/settings.h"
#include "frontend/cabinet/cabinet_settings.h"
#include "frontend/cabinet/input_map.h"
#include "frontend/cabinet/joystick.h"

namespace {

constexpr int kNoBrowse = 0, kFolder = 1, kProgram = 2;

struct DirRow {
  const char* key;
  const char* label;
  int browse;
};
constexpr DirRow kDirRows[] = {
    {"VPPath", "Visual Pinball folder", kFolder},
    {"VPExe", "Visual Pinball program (or launcher)", kProgram},
    {"TablePath", "Table folder", kFolder},
    {"MAMEPath", "MAME or PinMAME folder", kFolder},
    {"MAMEExe", "MAME or PinMAME program", kProgram},
    {"SnapPath2", "Snapshots (local)", kFolder},
    {"BackglassPath2", "Backglasses (local)", kFolder},
    {"CabPath2", "Cabinets (local)", kFolder},
    {"FlyerPath2", "Flyers (local)", kFolder},
    {"SnapPath", "Snapshots (MAME)", kFolder},
    {"BackglassPath", "Backglasses (MAME)", kFolder},
    {"CabPath", "Cabinets (MAME)", kFolder},
    {"FlyerPath", "Flyers (MAME)", kFolder},
    {"BlurbPath", "Blurbs", kFolder},
    {"RulesPath", "Rules", kFolder},
    {"DescPath", "Descriptions", kFolder},
    {"PlayfieldPath", "Playfield media (cabinet)", kFolder},
    {"WheelPath", "Wheel pictures (cabinet)", kFolder},
    {"DMDPath", "DMD media (cabinet)", kFolder},
    {"TopperPath", "Topper media (cabinet)", kFolder},
    {"VideoPath", "Videos (cabinet)", kFolder},
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The value a settings text has in the file now, "" when the key is missing.
QString Stored(const std::string& file, const QString& section, const QString& key) {
  return Q(ProfileRead(section.toStdString(), key.toStdString(), file));
}

// The effective default of a folder, shown where the file sets none.
QString DefaultOf(const FrontendSettings& settings, const QString& key) {
  const std::pair<const char*, const std::string*> values[] = {
      {"VPPath", &settings.VPPath},
      {"VPExe", &settings.VPExe},
      {"TablePath", &settings.TablePath},
      {"MAMEPath", &settings.MAMEPath},
      {"MAMEExe", &settings.MAMEExe},
      {"SnapPath", &settings.SnapPath},
      {"SnapPath2", &settings.SnapPath2},
      {"BackglassPath", &settings.BackglassPath},
      {"BackglassPath2", &settings.BackglassPath2},
      {"CabPath", &settings.CabPath},
      {"CabPath2", &settings.CabPath2},
      {"FlyerPath", &settings.FlyerPath},
      {"FlyerPath2", &settings.FlyerPath2},
      {"BlurbPath", &settings.BlurbPath},
      {"RulesPath", &settings.RulesPath},
      {"DescPath", &settings.DescPath}};
  for (const auto& [name, value] : values) {
    if (key == name) return Q(*value);
  }
  return "(not used)";
}

QWidget* Scrolled(QWidget* page) {
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setWidget(page);
  return scroll;
}

}  // namespace

QString SettingsWindow::Entry::Value() const {
  if (line != nullptr) return line->text().trimmed();
  if (check != nullptr) return check->isChecked() ? "1" : "0";
  if (combo != nullptr) return combo->currentText().trimmed();
  if (spin != nullptr) return QString::number(spin->value());
  return initial;
}

SettingsWindow::SettingsWindow(std::string program_folder, QWidget* parent)
    : QDialog(parent),
      program_folder_(std::move(program_folder)),
      file_(SettingsFile(program_folder_)) {
  setWindowTitle("Orvane Settings");
  setObjectName("frmSettings");
  report = [this](const QString& message) {
    QMessageBox::warning(this, "Orvane Settings", message);
  };
  auto* tabs = new QTabWidget;
  tabs->addTab(Scrolled(FoldersPage()), "Folders");
  tabs->addTab(StartPage(), "Start");
  tabs->addTab(CabinetPage(), "Cabinet screens");
  tabs->addTab(Scrolled(ButtonsPage()), "Cabinet buttons");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  resize(760, 620);
}

SettingsWindow::~SettingsWindow() {
  QCoreApplication::instance()->removeEventFilter(this);
  for (QWidget* window : name_windows_) delete window;
}

QLineEdit* SettingsWindow::AddLine(QWidget* page, const QString& section, const QString& key,
                                   const QString& label, const QString& placeholder, int browse) {
  auto* form = static_cast<QFormLayout*>(page->layout());
  auto* line = new QLineEdit(Stored(file_, section, key));
  line->setObjectName(section + "/" + key);
  line->setPlaceholderText(placeholder);
  auto* row = new QHBoxLayout;
  row->addWidget(line);
  if (browse != kNoBrowse) {
    auto* button = new QPushButton("Browse...");
    connect(button, &QPushButton::clicked, this, [this, line, browse, label] {
      if (browse == kFolder) {
        const QString folder = QFileDialog::getExistingDirectory(this, label, line->text());
        if (!folder.isEmpty()) line->setText(folder.endsWith('/') ? folder : folder + "/");
        return;
      }
      const QString program = QFileDialog::getOpenFileName(this, label, line->text());
      if (program.isEmpty()) return;
      // A program in its settings' folder goes by its name, as the wizard writes it.
      const QString folder_key =
          line->objectName() == "Dirs/VPExe" ? "Dirs/VPPath" : "Dirs/MAMEPath";
      QLineEdit* folder = findChild<QLineEdit*>(folder_key);
      const QFileInfo chosen(program);
      if (folder != nullptr) folder->setText(chosen.absolutePath() + "/");
      line->setText(chosen.fileName());
    });
    row->addWidget(button);
  }
  form->addRow(label, row);
  entries_.push_back({section, key, line->text(), line});
  return line;
}

QWidget* SettingsWindow::FoldersPage() {
  auto* page = new QWidget;
  page->setLayout(new QFormLayout);
  FrontendSettings settings;
  GetSettings(program_folder_, settings);
  for (const DirRow& row : kDirRows) {
    AddLine(page, "Dirs", row.key, row.label, DefaultOf(settings, row.key), row.browse);
  }
  return page;
}

QWidget* SettingsWindow::StartPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  FrontendSettings settings;
  GetSettings(program_folder_, settings);
  const CabinetSettings cabinet = ReadCabinetSettings(program_folder_);
  const struct {
    const char* section;
    const char* key;
    const char* label;
    bool on;
  } rows[] = {
      {"Settings", "FirstRun", "Ask the first-run questions at the next start",
       settings.FirstRun == 1},
      {"Settings", "RescanOnStart", "Read the table folder again at every start",
       settings.RescanOnStart == 1},
      {"Settings", "ScanIfNotFound", "Read a table the catalogue does not know when it is selected",
       settings.ScanIfNotFound == 1},
      {"Settings", "ShowCommandPrompt", "Show the extractor's window while it reads the tables",
       settings.ShowCommandPrompt == 1},
      {"Cabinet", "Enabled", "Open in cabinet mode (full screen, driven by the cabinet's buttons)",
       cabinet.enabled},
      {"Cabinet", "HideWhilePlaying", "Give the screens to Visual Pinball while a game runs",
       cabinet.hide_while_playing},
  };
  for (const auto& row : rows) {
    auto* check = new QCheckBox(row.label);
    check->setObjectName(QString(row.section) + "/" + row.key);
    check->setChecked(row.on);
    layout->addWidget(check);
    entries_.push_back({row.section, row.key, row.on ? "1" : "0", nullptr, check});
  }
  layout->addStretch();
  return page;
}

QWidget* SettingsWindow::CabinetPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  const CabinetSettings cabinet = ReadCabinetSettings(program_folder_);
  QStringList names = {""};
  for (const QScreen* screen : QGuiApplication::screens()) names << screen->name();
  for (int i = 0; i < kScreenRoleCount; ++i) {
    const QString role = ScreenRoleName(static_cast<ScreenRole>(i));
    auto* screen = new QComboBox;
    screen->setObjectName("Cabinet/" + role + "Screen");
    screen->setEditable(true);
    screen->addItems(names);
    screen->setCurrentText(Q(cabinet.screens[i]));
    screen->setToolTip("A screen's name, or its number from 0; empty turns the " + role + " off.");
    auto* rotation = new QComboBox;
    rotation->setObjectName("Cabinet/" + role + "Rotation");
    rotation->addItems({"0", "90", "180", "270"});
    rotation->setCurrentText(QString::number(cabinet.rotations[i]));
    auto* row = new QHBoxLayout;
    row->addWidget(screen, 1);
    row->addWidget(new QLabel("turned"));
    row->addWidget(rotation);
    row->addWidget(new QLabel("degrees"));
    form->addRow(role, row);
    screens_.push_back(screen);
    entries_.push_back(
        {"Cabinet", role + "Screen", screen->currentText(), nullptr, nullptr, screen});
    entries_.push_back(
        {"Cabinet", role + "Rotation", rotation->currentText(), nullptr, nullptr, rotation});
  }
  auto* names_button = new QPushButton("Show screen names");
  names_button->setObjectName("cmdScreenNames");
  connect(names_button, &QPushButton::clicked, this, &SettingsWindow::ShowScreenNames);
  form->addRow("", names_button);
  const struct {
    const char* key;
    const char* label;
    int value, low, high;
  } spins[] = {
      {"AttractAfter", "Attract mode after (seconds, 0 never)", cabinet.attract_after, 0, 86400},
      {"AttractEvery", "Next table in attract mode every (seconds)", cabinet.attract_every, 1,
       3600}};
  for (const auto& row : spins) {
    auto* spin = new QSpinBox;
    spin->setObjectName(QString("Cabinet/") + row.key);
    spin->setRange(row.low, row.high);
    spin->setValue(row.value);
    form->addRow(row.label, spin);
    entries_.push_back(
        {"Cabinet", row.key, QString::number(row.value), nullptr, nullptr, nullptr, spin});
  }
  return page;
}

QWidget* SettingsWindow::ButtonsPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  const CabinetSettings cabinet = ReadCabinetSettings(program_folder_);
  input_map_ = std::make_unique<InputMap>(cabinet);
  for (int b = 0; b < kCabinetButtonCount; ++b) {
    const auto button = static_cast<CabinetButton>(b);
    const QString name = ButtonSettingName(button);
    auto* keys = new QLineEdit(Q(cabinet.keys[b]));
    keys->setObjectName("Cabinet/Key" + name);
    auto* press = new QPushButton("Press a key");
    connect(press, &QPushButton::clicked, this, [this, button] { CaptureKey(button); });
    auto* joystick = new QLineEdit(Q(cabinet.joystick[b]));
    joystick->setObjectName("Cabinet/Joy" + name);
    auto* press_joystick = new QPushButton("Press a joystick input");
    connect(press_joystick, &QPushButton::clicked, this, [this, b, joystick] {
      capturing_joystick_ = b;
      joystick->setText("(press a joystick button or push a stick)");
      if (!joystick_) {
        joystick_ = std::make_unique<JoystickSource>(*input_map_);
        connect(joystick_.get(), &JoystickSource::inputSeen, this,
                [this](const JoystickInput& input) {
                  if (capturing_joystick_ < 0) return;
                  joy_lines_[static_cast<size_t>(capturing_joystick_)]->setText(
                      Q(JoystickInputText(input)));
                  capturing_joystick_ = -1;
                });
      }
    });
    auto* row = new QHBoxLayout;
    row->addWidget(keys, 1);
    row->addWidget(press);
    row->addWidget(joystick, 1);
    row->addWidget(press_joystick);
    form->addRow(name, row);
    key_lines_.push_back(keys);
    joy_lines_.push_back(joystick);
    entries_.push_back({"Cabinet", "Key" + name, keys->text(), keys});
    entries_.push_back({"Cabinet", "Joy" + name, joystick->text(), joystick});
  }
  form->addRow("", new QLabel("Keys: names such as LShift, RShift, LCtrl, RCtrl, 1, Return, Esc, "
                              "separated by commas. Joystick: B0 (a button), A0- or A0+ (a stick "
                              "pushed), H0Left (a hat)."));
  return page;
}

void SettingsWindow::CaptureKey(CabinetButton button) {
  capturing_ = static_cast<int>(button);
  key_lines_[static_cast<size_t>(capturing_)]->setText("(press the key)");
  // Every key goes here until one is taken, whichever control has the focus.
  QCoreApplication::instance()->installEventFilter(this);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (capturing_ >= 0 && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const KeyName name{key->key(), KeySide(key->nativeVirtualKey(), key->nativeScanCode())};
    key_lines_[static_cast<size_t>(capturing_)]->setText(Q(KeyNameText(name)));
    capturing_ = -1;
    QCoreApplication::instance()->removeEventFilter(this);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SettingsWindow::ShowScreenNames() {
  for (QWidget* window : name_windows_) delete window;
  name_windows_.clear();
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (int i = 0; i < screens.size(); ++i) {
    auto* label = new QLabel(QString("%1\n(screen %2)").arg(screens[i]->name()).arg(i));
    label->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(
        "background: #202020; color: #ffc400; font-size: 48px; font-weight: bold;");
    label->setScreen(screens[i]);
    const QRect area = screens[i]->geometry();
    const QSize size(std::min(area.width(), 600), std::min(area.height(), 240));
    label->setGeometry(QRect(area.x() + (area.width() - size.width()) / 2,
                             area.y() + (area.height() - size.height()) / 2, size.width(),
                             size.height()));
    label->show();
    name_windows_.push_back(label);
  }
  QTimer::singleShot(5000, this, [this] {
    for (QWidget* window : name_windows_) window->hide();
  });
}

bool SettingsWindow::Save() {
  std::vector<ProfileEntry> changed, tabrin;
  for (const Entry& entry : entries_) {
    const QString value = entry.Value();
    if (value == entry.initial) continue;
    changed.push_back({entry.section.toStdString(), entry.key.toStdString(), value.toStdString()});
    // The extractor reads its emulator from its own settings.
    if (entry.section == "Dirs" && (entry.key == "MAMEPath" || entry.key == "MAMEExe")) {
      tabrin.push_back({"MAME", entry.key == "MAMEPath" ? "Path" : "Exe", value.toStdString()});
    }
  }
  const std::string tabrin_ini = program_folder_ + "/Tabrin.ini";
  const bool saved = (changed.empty() || ProfileWriteAll(changed, file_)) &&
                     (tabrin.empty() || ProfileWriteAll(tabrin, tabrin_ini));
  if (!saved) {
    report("The settings could not be saved: " + Q(file_) + " (or " + Q(tabrin_ini) +
           ") cannot be written.");
    return false;
  }
  for (Entry& entry : entries_) entry.initial = entry.Value();
  return true;
}

QLineEdit* SettingsWindow::Field(const QString& section, const QString& key) const {
  return findChild<QLineEdit*>(section + "/" + key);
}

QCheckBox* SettingsWindow::Switch(const QString& section, const QString& key) const {
  return findChild<QCheckBox*>(section + "/" + key);
}

QComboBox* SettingsWindow::ScreenChoice(int role) const {
  return role >= 0 && role < static_cast<int>(screens_.size()) ? screens_[static_cast<size_t>(role)]
                                                               : nullptr;
}
