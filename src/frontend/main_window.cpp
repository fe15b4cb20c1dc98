#include "frontend/main_window.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdlib>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/collection_check.h"
#include "common/paths.h"
#include "common/process_runner.h"
#include "common/profile.h"
#include "common/tables.h"
#include "common/text.h"
#include "frontend/browser.h"
#include "frontend/check_window.h"
#include "frontend/rescan.h"

namespace {

// The virtual key code of a Qt key, for the keys the lists care about and their neighbours;
// 0 for the rest.
int16_t VirtualKeyCode(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<int16_t>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<int16_t>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<int16_t>(112 + key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return kKeyControl;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

// The shift state of a key event: 1 Shift, 2 Ctrl, 4 Alt.
int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
  return static_cast<int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                              (modifiers & Qt::ControlModifier ? 2 : 0) |
                              (modifiers & Qt::AltModifier ? 4 : 0));
}

void Place(QWidget* control, const TwipsRect& r) {
  control->setGeometry(TwipsToPixels(r.Left), TwipsToPixels(r.Top), TwipsToPixels(r.Width),
                       TwipsToPixels(r.Height));
}

}  // namespace

int FirstVisibleRow(const QListWidget* list) {
  for (int i = 0; i < list->count(); ++i) {
    if (!list->isRowHidden(i)) return i;
  }
  return -1;
}

QStringList RowTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  // One line per entry: thousands of tables need no per-entry text measuring.
  setUniformItemSizes(true);
  // Until told otherwise the list shows the folder the program was started in.
  path_ = QDir::currentPath().toStdString();
  Refresh();
}

bool FileListBox::SetPath(const std::string& folder) {
  const std::string trimmed = WithoutTrailingSlashes(folder);
  if (trimmed.empty() || !FolderExists(trimmed)) return false;
  const std::string found = FindExistingPath(trimmed);
  path_ = QDir(QString::fromStdString(found)).absolutePath().toStdString();
  Refresh();
  return true;
}

void FileListBox::Refresh() {
  {
    // A fresh list has nothing selected, and emptying it is no selection of the user's.
    const QSignalBlocker blocker(this);
    clear();
    std::vector<std::string> names = ListTableFiles(path_);
    if (order) order(names);
    for (const std::string& name : names) {
      auto* item = new QListWidgetItem(QString::fromStdString(name), this);
      // Folded once here, not at every key typed into the filter.
      item->setData(Qt::UserRole, QString::fromStdString(FoldForSearch(name)));
    }
    setCurrentRow(-1);
  }
  if (refreshed) refreshed();
}

std::string FileListBox::FileName() const {
  const QListWidgetItem* item = currentItem();
  return item == nullptr ? std::string() : item->text().toStdString();
}

Form1::Form1(std::string program_folder, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      program_folder_(std::move(program_folder)),
      dialogs_(dialogs),
      layout_(DesignLayout()) {
  setObjectName("Form1");
  setWindowTitle("Orvane");
  // The window's geometry was drawn for an 8-point system font.
  QFont small_font = font();
  small_font.setPointSize(8);
  setFont(small_font);
  CreateControls();
  resize(TwipsToPixels(kDesignClientWidth), TwipsToPixels(kDesignClientHeight));
  PlaceControls();
}

void Form1::CreateControls() {
  File1 = new FileListBox(this);
  List1 = new QListWidget(this);
  List1->setSelectionMode(QAbstractItemView::SingleSelection);
  List1->setUniformItemSizes(true);
  const auto button = [this](const char* text) { return new QPushButton(text, this); };
  cmdRescan = button("ReScan Folder");
  cmdPRescan = button("Purge ini and Rescan");
  cmdList = button("View by PinMAME Name");
  cmdLaunch = button("Launch Game");
  cmdInfo = button("Information");
  cmdSnapShot = button("SnapShot");
  cmdGlass = button("Backglass");
  cmdCab = button("Cabinet");
  cmdFlyer = button("Flyer");
  cmdRules = button("Rules");
  cmdDesc = button("Description");
  cmdEditInfo = button("Edit Alias");
  cmdDelInfo = button("Delete Alias");
  cmdSort = button("Sort: Name");
  cmdFavourite = button("Favourite");
  cmdCheck = button("Check Collection");
  txtFilter = new QLineEdit(this);
  txtFilter->setPlaceholderText("Type to find a table  (* for favourites)");
  txtFilter->setClearButtonEnabled(true);
  FraData = new QGroupBox(this);
  lblInfoScroll = new QScrollArea(FraData);
  lblInfoScroll->setWidgetResizable(true);
  lblInfoScroll->setFrameShape(QFrame::NoFrame);
  lblInfo = new QLabel;
  lblInfoScroll->setWidget(lblInfo);
  QFont info_font("MS Sans Serif");
  info_font.setPointSizeF(13.5);
  info_font.setWeight(QFont::Normal);
  lblInfo->setFont(info_font);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblInfo->setWordWrap(true);
  txtRules = new QPlainTextEdit(FraData);
  QPalette rules_palette = txtRules->palette();
  rules_palette.setColor(QPalette::Base, rules_palette.color(QPalette::Button));
  txtRules->setPalette(rules_palette);
  imgArt = new QLabel(FraData);
  imgArt->setScaledContents(true);
  PicSnap = new QLabel(FraData);
  PicMarquee = new QLabel(this);
  picCabinet = new QLabel(this);
  PicFlyer = new QLabel(this);

  const std::pair<QWidget*, const char*> names[] = {
      {File1, "File1"},           {List1, "List1"},
      {cmdRescan, "cmdRescan"},   {cmdPRescan, "cmdPRescan"},
      {cmdList, "cmdList"},       {cmdLaunch, "cmdLaunch"},
      {cmdInfo, "cmdInfo"},       {cmdSnapShot, "cmdSnapShot"},
      {cmdGlass, "cmdGlass"},     {cmdCab, "cmdCab"},
      {cmdFlyer, "cmdFlyer"},     {cmdRules, "cmdRules"},
      {cmdDesc, "cmdDesc"},       {cmdEditInfo, "cmdEditInfo"},
      {cmdDelInfo, "cmdDelInfo"}, {FraData, "FraData"},
      {lblInfo, "lblInfo"},       {txtRules, "txtRules"},
      {imgArt, "imgArt"},         {PicSnap, "PicSnap"},
      {PicMarquee, "PicMarquee"}, {picCabinet, "picCabinet"},
      {PicFlyer, "PicFlyer"},     {txtFilter, "txtFilter"},
      {cmdSort, "cmdSort"},       {cmdFavourite, "cmdFavourite"},
      {cmdCheck, "cmdCheck"},
  };
  for (const auto& [control, name] : names) control->setObjectName(name);

  lblInfoScroll->setObjectName("lblInfoScroll");
  for (QWidget* hidden : std::initializer_list<QWidget*>{
           List1, lblInfoScroll, txtRules, imgArt, PicSnap, PicMarquee, picCabinet, PicFlyer}) {
    hidden->hide();
  }
  // While it is shown, the name list covers the file list completely.
  List1->raise();

  // The window's tab order, without the frame, the label and the picture holders, which never
  // take the focus here.
  const std::vector<QWidget*> tab_order = {
      File1,       cmdInfo,    cmdGlass,   cmdSnapShot, cmdCab,       cmdFlyer, cmdRescan,
      cmdEditInfo, cmdDelInfo, cmdPRescan, List1,       cmdList,      txtRules, cmdRules,
      cmdDesc,     cmdLaunch,  txtFilter,  cmdSort,     cmdFavourite, cmdCheck};
  for (size_t i = 1; i < tab_order.size(); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);

  connect(File1, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    FollowInNameList(row);
    File1_Click();
  });
  connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) List1_Click();
  });
  File1->installEventFilter(this);
  List1->installEventFilter(this);
  txtFilter->installEventFilter(this);
  connect(txtFilter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  // Every listing comes in the order of the view, with the filter's rows hidden.
  File1->order = [this](std::vector<std::string>& listed) {
    SortTables(listed, sort_order_, program_folder_);
  };
  File1->refreshed = [this] { ApplyFilter(/*select=*/false); };
  ConnectButtons({
      {cmdList, &Form1::cmdList_Click},
      {cmdLaunch, &Form1::cmdLaunch_Click},
      {cmdRescan, &Form1::cmdRescan_Click},
      {cmdPRescan, &Form1::cmdPRescan_Click},
      {cmdSort, &Form1::CycleSortOrder},
      {cmdFavourite, &Form1::ToggleFavourite},
      {cmdCheck, &Form1::cmdCheck_Click},
  });
  ConnectDisplay();
}

void Form1::PlaceControls() {
  const std::pair<QWidget*, TwipsRect MainLayout::*> controls[] = {
      {File1, &MainLayout::File1},           {List1, &MainLayout::List1},
      {cmdRescan, &MainLayout::cmdRescan},   {cmdPRescan, &MainLayout::cmdPRescan},
      {cmdList, &MainLayout::cmdList},       {cmdLaunch, &MainLayout::cmdLaunch},
      {cmdInfo, &MainLayout::cmdInfo},       {cmdSnapShot, &MainLayout::cmdSnapShot},
      {cmdGlass, &MainLayout::cmdGlass},     {cmdCab, &MainLayout::cmdCab},
      {cmdFlyer, &MainLayout::cmdFlyer},     {cmdRules, &MainLayout::cmdRules},
      {cmdDesc, &MainLayout::cmdDesc},       {cmdEditInfo, &MainLayout::cmdEditInfo},
      {cmdDelInfo, &MainLayout::cmdDelInfo}, {FraData, &MainLayout::FraData},
      {lblInfoScroll, &MainLayout::lblInfo}, {txtRules, &MainLayout::txtRules},
      {imgArt, &MainLayout::imgArt},         {PicSnap, &MainLayout::PicSnap},
      {PicMarquee, &MainLayout::PicMarquee}, {picCabinet, &MainLayout::picCabinet},
      {PicFlyer, &MainLayout::PicFlyer},     {txtFilter, &MainLayout::txtFilter},
      {cmdSort, &MainLayout::cmdSort},       {cmdFavourite, &MainLayout::cmdFavourite},
      {cmdCheck, &MainLayout::cmdCheck},
  };
  for (const auto& [control, rect] : controls) Place(control, layout_.*rect);
}

void Form1::SelectRow(QListWidget* list, int row) {
  if (list->currentRow() != row) {
    list->setCurrentRow(row);
  } else if (list == File1) {
    File1_Click();
  } else {
    List1_Click();
  }
}

void Form1::GetSettings() { ::GetSettings(program_folder_, settings_); }

bool Form1::Form_Load() {
  GetSettings();
  if (settings_.FirstRun == 1) {
    if (!FirstRun()) return false;
    GetSettings();
    settings_.RescanOnStart = 0;  // the wizard has offered its own scan
  }
  if (IsLauncher(settings_.VPExe)) state_.LauncherMode = true;
  const std::optional<int> order = WindowValue(program_folder_, "SortOrder");
  if (order && *order >= 0 && *order <= static_cast<int>(SortOrder::kLastPlayed)) {
    sort_order_ = static_cast<SortOrder>(*order);
  }
  cmdSort->setText(QString::fromStdString(SortCaption(sort_order_)));
  if (!File1->SetPath(settings_.TablePath)) {
    // An empty list with an empty frame would leave the user guessing.
    lblInfo->setText(QString::fromStdString(TableFolderMissingText(settings_.TablePath)));
    cmdInfo_Click();
  }
  if (settings_.RescanOnStart == 1) {
    // Once the window shows, so that the user sees the scan going on.
    QTimer::singleShot(0, this, [this] {
      cmdRescan_Click();
      FocusList();
    });
  }
  if (File1->count() > 0) File1->setCurrentRow(0);
  FocusList();
  RestoreWindowPlace();
  return true;
}

void Form1::Form_Resize() {
  // The layout works on the outer size, border and title bar included.
  const QRect outer = frameGeometry();
  LayOut(layout_, outer.width() * kTwipsPerPixel, outer.height() * kTwipsPerPixel);
  PlaceControls();
  RefitFrame();
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void Form1::ConnectButtons(
    std::initializer_list<std::pair<QPushButton*, void (Form1::*)()>> buttons) {
  for (const auto& [button, handler] : buttons) {
    connect(button, &QPushButton::clicked, this, [this, handler = handler] {
      (this->*handler)();
      FocusList();
    });
  }
}

void Form1::FocusList() {
  if (!List1->isHidden()) {
    List1->setFocus();
  } else {
    File1->setFocus();
  }
}

bool Form1::RunAndWaitHere(std::string& folder, const std::string& program,
                           const std::string& arguments, double style) {
  return RunAndWait(folder, program, arguments, style, [this](const std::string& message) {
    dialogs_.MessageBox(message, MessageButtons::kOk, "");
  });
}

bool Form1::ReadIni(const std::string& vp_name) {
  const int serial = ++selection_serial_;
  return ::ReadIni(vp_name, File1->Path(), program_folder_, settings_, state_,
                   [this, serial](std::string& folder, const std::string& program,
                                  const std::string& arguments) {
                     // Hidden: the extractor's window would only flash by.
                     RunAndWaitHere(folder, program, arguments, 0);
                     // The window answered keys meanwhile; a table selected since has been shown by
                     // now.
                     return serial == selection_serial_;
                   });
}

void Form1::File1_Click() {
  const std::string vp_name = File1->FileName();
  if (vp_name.empty()) return;
  if (!ReadIni(vp_name)) return;
  GetInfo();
  if (!state_.BuildingList) LoadPictures();
}

void Form1::List1_Click() {
  const int row = List1->currentRow();
  if (row < 0) return;
  // Entry i of the name list stands for entry i of the file list.
  SelectRow(File1, row);
}

void Form1::cmdList_Click() {
  state_.ViewMode = NextViewMode(state_.ViewMode);
  if (state_.ViewMode == 0) {
    List1->hide();
    File1->setFocus();
    if (FirstVisibleRow(File1) >= 0) File1->setCurrentRow(FirstVisibleRow(File1));
  } else {
    FillNameList();
  }
  cmdList->setText(QString::fromStdString(ViewButtonCaption(state_.ViewMode)));
}

void Form1::FillNameList() {
  List1->clear();
  state_.BuildingList = true;
  // From the last entry, so that selecting entry 0 next is a change of selection.
  if (File1->count() > 0) File1->setCurrentRow(File1->count() - 1);
  // The file list need not scroll to every table it selects here: the name list covers it at
  // the end, when it scrolls to its entry 0 again. The scrolling costs more than the selection.
  const bool auto_scroll = File1->hasAutoScroll();
  File1->setAutoScroll(false);
  // One entry per file, whatever its text, so that entry i stays file i. The count is read
  // each time: a handler that runs during an extractor run may have re-read the folder.
  for (int i = 0; i < File1->count(); ++i) {
    ClearForNameEntry(state_.ViewMode, state_);
    SelectRow(File1, i);
    AddNameEntry(QString::fromStdString(NameListText(state_.ViewMode, state_)));
  }
  File1->setAutoScroll(auto_scroll);
  state_.BuildingList = false;
  List1->show();
  ApplyFilter(/*select=*/false);
  SelectRow(List1, FirstVisibleRow(List1));
  List1->setFocus();
}

void Form1::AddNameEntry(const QString& text) {
  auto* item = new QListWidgetItem(text, List1);
  item->setData(Qt::UserRole, QString::fromStdString(FoldForSearch(text.toStdString())));
}

void Form1::File1_KeyDown(int16_t key_code, int16_t /*shift*/) {
  switch (ActionForKey(key_code)) {
    case ListKeyAction::kLaunch:
      Launch();
      break;
    case ListKeyAction::kReread:
      RereadFolder();
      QApplication::beep();
      break;
    case ListKeyAction::kFavourite:
      ToggleFavourite();
      break;
    case ListKeyAction::kSort:
      CycleSortOrder();
      break;
    case ListKeyAction::kCheck:
      cmdCheck_Click();
      break;
    case ListKeyAction::kNone:
      break;
  }
}

void Form1::RereadFolder() {
  const std::string selected = File1->FileName();
  const QStringList before = RowTexts(File1);
  // Through another folder and back, so the list is read from disk again.
  File1->SetPath(program_folder_);
  File1->Refresh();
  File1->SetPath(settings_.TablePath);
  File1->Refresh();
  const QStringList after = RowTexts(File1);
  // Entry i of the name list must stay file i: a changed folder gets its name list anew.
  if (!List1->isHidden() && after != before) FillNameList();
  const auto found = File1->findItems(QString::fromStdString(selected), Qt::MatchExactly);
  if (!found.isEmpty()) SelectRow(File1, File1->row(found.front()));
}

QListWidget* Form1::ShownList() const {
  return List1->isHidden() ? static_cast<QListWidget*>(File1) : List1;
}

void Form1::ApplyFilter(bool select) {
  const QString text = txtFilter->text();
  const bool favourites_only = text.startsWith('*');
  const QString needle = QString::fromStdString(
      FoldForSearch((favourites_only ? text.mid(1) : text).trimmed().toStdString()));
  const std::unordered_set<std::string> favourites =
      favourites_only ? Favourites(program_folder_) : std::unordered_set<std::string>();
  // The name list hides the same rows, so that its entry i stays file i.
  const bool names = !List1->isHidden() && List1->count() == File1->count();
  int first_visible = -1;
  for (int i = 0; i < File1->count(); ++i) {
    const QListWidgetItem* file = File1->item(i);
    bool visible = needle.isEmpty() || file->data(Qt::UserRole).toString().contains(needle) ||
                   (names && List1->item(i)->data(Qt::UserRole).toString().contains(needle));
    if (visible && favourites_only) {
      visible = favourites.contains(LowerCaseName(TableKey(file->text().toStdString())));
    }
    if (File1->isRowHidden(i) == visible) File1->setRowHidden(i, !visible);
    if (names && List1->isRowHidden(i) == visible) List1->setRowHidden(i, !visible);
    if (visible && first_visible < 0) first_visible = i;
  }
  if (!select) return;
  const int current = File1->currentRow();
  if (current >= 0 && !File1->isRowHidden(current)) return;
  // Showing the table would hand the keys to the list; whoever types keeps them.
  const bool typing = txtFilter->hasFocus();
  if (first_visible < 0) {
    // Nothing to show or to play: no row stays selected behind the filter.
    const QSignalBlocker file_blocker(File1);
    const QSignalBlocker name_blocker(List1);
    File1->setCurrentRow(-1);
    List1->setCurrentRow(-1);
    lblInfo->setText("No table matches \"" + text + "\".");
    ShowText(kShowInfo);
  } else {
    SelectRow(ShownList(), first_visible);
  }
  if (typing) txtFilter->setFocus();
}

void Form1::ToggleFavourite() {
  const std::string file_name = File1->FileName();
  if (file_name.empty()) return;
  const std::string key = TableKey(file_name);
  SetFavourite(program_folder_, key, !ReadPlayStats(program_folder_, key).favourite);
  GetInfo();
  // Unmarked, a table leaves the favourites' view.
  if (txtFilter->text().startsWith('*')) ApplyFilter();
}

void Form1::CycleSortOrder() {
  sort_order_ = NextSortOrder(sort_order_);
  ProfileWrite("Window", "SortOrder", std::to_string(static_cast<int>(sort_order_)),
               SettingsFile(program_folder_));
  cmdSort->setText(QString::fromStdString(SortCaption(sort_order_)));
  Resort();
}

void Form1::Resort() {
  const std::string selected = File1->FileName();
  QStringList before = RowTexts(File1);
  // The name list's entries by file, so that it follows without being filled again.
  const bool name_view = !List1->isHidden() && List1->count() == File1->count();
  QHash<QString, QString> names;
  if (name_view) {
    for (int i = 0; i < File1->count(); ++i) names[File1->item(i)->text()] = List1->item(i)->text();
  }
  File1->Refresh();
  const QStringList after = RowTexts(File1);
  if (name_view) {
    before.sort();
    QStringList sorted_after = after;
    sorted_after.sort();
    if (before != sorted_after) {
      FillNameList();  // the folder changed meanwhile
    } else {
      const QSignalBlocker blocker(List1);
      List1->clear();
      for (const QString& file : after) AddNameEntry(names.value(file));
      ApplyFilter(/*select=*/false);
    }
  }
  const int row = after.indexOf(QString::fromStdString(selected));
  SelectRow(ShownList(), row >= 0 && !File1->isRowHidden(row) ? row : FirstVisibleRow(File1));
}

void Form1::RecordPlayOf(const std::string& file_name, const std::string& started,
                         long long seconds) {
  RecordPlay(program_folder_, TableKey(file_name), started, seconds);
  // The panel, and an order by plays, show the play at once.
  if (sort_order_ == SortOrder::kByName) {
    GetInfo();
  } else {
    Resort();
  }
}

void Form1::cmdCheck_Click() {
  if (frmCheck == nullptr) {
    frmCheck = new FrmCheck(this, [this](const std::string& table) { JumpToTable(table); });
  }
  frmCheck->ShowCheck(CheckCollection(program_folder_, settings_));
}

void Form1::JumpToTable(const std::string& file_name) {
  const auto found = File1->findItems(QString::fromStdString(file_name), Qt::MatchExactly);
  if (found.isEmpty()) return;
  const int row = File1->row(found.front());
  // A filter that hides the table gives way.
  if (File1->isRowHidden(row)) txtFilter->clear();
  SelectRow(ShownList(), row);
  activateWindow();
  FocusList();
}

void Form1::FollowInNameList(int row) {
  if (List1->isHidden() || row >= List1->count() || List1->currentRow() == row) return;
  const QSignalBlocker blocker(List1);
  List1->setCurrentRow(row);
}

void Form1::List1_KeyDown(int16_t key_code, int16_t shift) { File1_KeyDown(key_code, shift); }

void Form1::cmdLaunch_Click() { File1_KeyDown(kKeyReturn, 0); }

void Form1::Launch() {
  const std::string file_name = File1->FileName();
  // Nothing to play, or a game is running already: a second Enter must not start another.
  if (file_name.empty() || launching_) return;
  launching_ = true;
  const QString started_at = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
  QElapsedTimer played;
  played.start();
  const bool started = RunAndWaitHere(
      settings_.VPPath, settings_.VPExe,
      LaunchArguments(settings_.VPExe, state_.LauncherMode, settings_.TablePath, file_name), 1);
  launching_ = false;
  if (started) {
    RecordPlayOf(file_name, started_at.toStdString(), played.elapsed() / 1000);
  } else {
    dialogs_.MessageBox("Visual Pinball could not be started: \"" + settings_.VPExe +
                            "\" in the folder \"" + settings_.VPPath +
                            "\".  Check VPPath and VPExe in orvane.ini.",
                        MessageButtons::kOk, "");
  }
  // Back from the game, the list takes the keys again.
  activateWindow();
  FocusList();
}

bool Form1::FilterKey(QKeyEvent* key) {
  switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      // The list moves over the rows the filter shows.
      QCoreApplication::sendEvent(ShownList(), key);
      return true;
    case Qt::Key_Escape:
      txtFilter->clear();
      FocusList();
      return true;
    default:
      break;
  }
  const int16_t code = VirtualKeyCode(key->key());
  // Ctrl is for editing here; Enter plays.
  if (code == kKeyControl || ActionForKey(code) == ListKeyAction::kNone) return false;
  if (!key->isAutoRepeat()) File1_KeyDown(code, ShiftState(key->modifiers()));
  return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtFilter && event->type() == QEvent::KeyPress) {
    return FilterKey(static_cast<QKeyEvent*>(event));
  }
  if (watched != File1 && watched != List1) return QWidget::eventFilter(watched, event);
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  // Cabinet buttons send Ctrl, so Ctrl launches; but only pressed and released alone, so that
  // Ctrl+Home and the like do not start a game.
  if (event->type() == QEvent::KeyRelease && key->key() == Qt::Key_Control &&
      !key->isAutoRepeat()) {
    if (std::exchange(ctrl_alone_, false)) File1_KeyDown(kKeyControl, 0);
    return true;
  }
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  if (key->key() == Qt::Key_Control) {
    if (!key->isAutoRepeat()) ctrl_alone_ = true;
    return true;
  }
  ctrl_alone_ = false;
  // A letter, a digit or "*" (the favourites) starts finding, instead of the list's jump to the
  // next entry with that first letter.
  const QString typed = key->text();
  if (typed.size() == 1 && (typed[0].isLetterOrNumber() || typed[0] == '*') &&
      !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    txtFilter->setFocus();
    txtFilter->insert(typed);
    return true;
  }
  const int16_t code = VirtualKeyCode(key->key());
  // A held key must not start the game again and again.
  if (ActionForKey(code) != ListKeyAction::kNone && key->isAutoRepeat()) return true;
  if (watched == File1) {
    File1_KeyDown(code, ShiftState(key->modifiers()));
  } else {
    List1_KeyDown(code, ShiftState(key->modifiers()));
  }
  // The list's own navigation runs after the handler, as it always has.
  return ActionForKey(code) != ListKeyAction::kNone;
}
