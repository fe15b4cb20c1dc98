// Form1's folder-wide actions: rescan, purge and rescan, and the first-run wizard.
#include <unistd.h>

#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <vector>

#include "common/paths.h"
#include "frontend/main_window.h"
#include "frontend/rescan.h"
#include "frontend/settings_window.h"
#include "frontend/window_place.h"
#include "frontend/wizard.h"

namespace {

// The wizard's view of the window.
class FormWizardHost : public WizardHost {
 public:
  explicit FormWizardHost(Form1& form) : form_(form) {}
  void PointFile1At(const std::string& folder) override { form_.File1->SetPath(folder); }
  void Rescan() override { form_.cmdRescan_Click(); }

 private:
  Form1& form_;
};

}  // namespace

bool Form1::FirstRun() {
  FormWizardHost host(*this);
  return ::FirstRun(program_folder_, settings_, dialogs_, host);
}

bool Form1::EditSettings() {
  SettingsWindow window(program_folder_, this);
  return window.exec() == QDialog::Accepted;
}

void Form1::cmdSettings_Click() {
  if (!EditSettings()) return;
  const std::string table_path = settings_.TablePath;
  GetSettings();
  state_.LauncherMode = IsLauncher(settings_.VPExe);
  if (settings_.TablePath != table_path && File1->SetPath(settings_.TablePath)) {
    // Another table folder: its tables, from the first, and the folder followed from now on.
    if (!List1->isHidden()) FillNameList();
    model_.WatchFolder();
    SelectFileRow(-1);
    return;
  }
  // The same tables, shown with the folders as they are now.
  SelectFileRow(File1->currentRow());
}

void Form1::SetRescanCaption(const char* caption) {
  cmdRescan->setText(caption);
  // Shown at once: the handler goes on without returning to the event loop first.
  cmdRescan->repaint();
}

void Form1::cmdRescan_Click() {
  // The table selected stays selected, as after F5, when the scan keeps it.
  const std::string selected = File1->FileName();
  const std::vector<std::string> before = File1->FileNames();
  if (!File1->SetPath(settings_.TablePath)) {
    // Scanning whatever folder the list shows instead would fill the catalogue with strangers.
    dialogs_.MessageBox(TableFolderMissingText(settings_.TablePath), MessageButtons::kOk, "");
    return;
  }
  SetRescanCaption("Scanning...");
  // How far the extractor has come shows in the frame's caption while it runs.
  const QString caption = FraData->title();
  QTimer progress;
  connect(&progress, &QTimer::timeout, this, [this] { ShowRescanProgress(); });
  progress.start(500);
  const auto stamps_before = CataloguedTableFiles(program_folder_);
  std::string folder = program_folder_ + "/";
  const RunOutcome scan = RunAndWaitHere(
      folder, kExtractorProgram, RescanArguments(File1->Path(), settings_.ShowCommandPrompt), 1);
  progress.stop();
  FraData->setTitle(caption);
  if (OrdinaryFileExists(settings_.MAMEPath + settings_.MAMEExe)) {
    SetRescanCaption("Getting MAME Info");
    state_.BuildingList = true;
    for (int i = 0; i < File1->count(); ++i) SelectRow(File1, i);
    state_.BuildingList = false;
  }
  SetRescanCaption("ReScan Folder");
  // Tables come and go: a changed folder gets its names anew.
  if (!List1->isHidden() && FilesChanged(before)) FillNameList();
  // The catalogue has changed: the table is shown afresh even when it stays selected; when the
  // scan dropped it, the table now selected is shown.
  SelectFileRow(File1->RowOf(selected));
  // Tables replaced by a newer version were read again: said until the frame shows another view.
  const std::string renewed =
      RenewedText(RenewedTables(stamps_before, CataloguedTableFiles(program_folder_)));
  if (!renewed.empty()) FraData->setTitle(FraData->title() + QString::fromStdString(renewed));
  FocusList();
  // Told after every rescan that could not write, however often before: the user asked for it.
  NoteCatalogueWrite(scan, /*once=*/false);
}

void Form1::ShowRescanProgress() {
  FraData->setTitle(
      QString::fromStdString(RescanProgressText(program_folder_, File1->FileNames())));
}

void Form1::cmdPRescan_Click() {
  // The catalogue of thousands of tables takes a while to make again; a stray key must not
  // throw it away.
  if (dialogs_.MessageBox("Delete names.ini and info.ini and scan every table again?  Aliases, "
                          "exported texts and pictures stay.",
                          MessageButtons::kYesNo, "") != MessageResult::kYes) {
    return;
  }
  for (const char* name : {"names.ini", "info.ini"}) {
    const std::string found = FindExistingPath(program_folder_ + "/" + name);
    // A file that cannot be deleted stays; the rescan then adds to it.
    if (!found.empty()) ::unlink(found.c_str());
  }
  cmdRescan_Click();
}

void Form1::RestoreWindowPlace() {
  const std::optional<QRect> place = ReadWindowPlace(program_folder_);
  if (!place) return;
  // A place on a screen since removed would restore the window out of sight.
  std::vector<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    screens.push_back(screen->availableGeometry());
  }
  const QScreen* primary = QGuiApplication::primaryScreen();
  setGeometry(primary == nullptr ? *place
                                 : PlaceOnScreens(*place, screens, primary->availableGeometry()));
  if (WindowWasMaximized(program_folder_)) setWindowState(windowState() | Qt::WindowMaximized);
}

void Form1::SaveWindowPlace() {
  const QRect place = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  NoteWrite(WriteWindowPlace(program_folder_, place, isMaximized()), SettingsFile(program_folder_),
            "The window's place was");
}

void Form1::closeEvent(QCloseEvent* event) {
  SaveWindowPlace();
  QWidget::closeEvent(event);
}
