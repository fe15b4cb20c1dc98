#include "frontend/main_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/process_runner.h"
#include "common/tabrin_exit.h"
#include "frontend/browser.h"
#include "frontend/notices.h"
#include "frontend/rescan.h"
#include "frontend/window_place.h"
#include "frontend/wizard.h"

namespace {

void Place(QWidget* control, const TwipsRect& r) {
  control->setGeometry(TwipsToPixels(r.Left), TwipsToPixels(r.Top), TwipsToPixels(r.Width),
                       TwipsToPixels(r.Height));
}

}  // namespace

Form1::Form1(std::string program_folder, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      program_folder_(std::move(program_folder)),
      dialogs_(dialogs),
      layout_(DesignLayout()),
      model_(program_folder_) {
  setObjectName("Form1");
  setWindowTitle("Orvane");
  // The window's geometry was drawn for an 8-point system font.
  QFont small_font = font();
  small_font.setPointSize(8);
  setFont(small_font);
  CreateControls();
  resize(TwipsToPixels(kDesignClientWidth), TwipsToPixels(kDesignClientHeight));
  // Smaller, the button rows would overlap or be cut at the window's edge.
  const TwipsSize least = MinimumWindowSize();
  setMinimumSize(static_cast<int>(std::ceil(least.Width / kTwipsPerPixel)),
                 static_cast<int>(std::ceil(least.Height / kTwipsPerPixel)));
  PlaceControls();
}

void Form1::CreateControls() {
  File1 = new FileListBox(this);
  List1 = new TableList(this);
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
  cmdSettings = button("Settings");
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
      {cmdCheck, "cmdCheck"},     {cmdSettings, "cmdSettings"},
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
      cmdDesc,     cmdLaunch,  txtFilter,  cmdSort,     cmdFavourite, cmdCheck, cmdSettings};
  for (size_t i = 1; i < tab_order.size(); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);

  connect(File1, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    FollowInNameList(row);
    // A favourite unmarked in the favourites' view leaves it once the selection moves on.
    if (!kept_favourite_.empty() && File1->FileNameAt(row) != kept_favourite_) {
      kept_favourite_.clear();
      ApplyFilter(/*select=*/false);
    }
    File1_Click();
  });
  connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) List1_Click();
  });
  File1->installEventFilter(this);
  List1->installEventFilter(this);
  txtFilter->installEventFilter(this);
  connect(txtFilter, &QLineEdit::textChanged, this, [this] {
    kept_favourite_.clear();
    ApplyFilter();
  });
  // Every listing comes in the order of the view, with the filter's rows hidden.
  File1->order = [this](std::vector<std::string>& listed) {
    SortTables(listed, sort_order_, program_folder_);
  };
  File1->refreshed = [this] {
    TableList::Link(*File1, *List1);
    MarkFavourites();
    ApplyFilter(/*select=*/false);
  };
  ConnectButtons({
      {cmdList, &Form1::cmdList_Click},
      {cmdLaunch, &Form1::cmdLaunch_Click},
      {cmdRescan, &Form1::cmdRescan_Click},
      {cmdPRescan, &Form1::cmdPRescan_Click},
      {cmdSort, &Form1::CycleSortOrder},
      {cmdFavourite, &Form1::ToggleFavourite},
      {cmdCheck, &Form1::cmdCheck_Click},
      {cmdSettings, &Form1::cmdSettings_Click},
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
      {cmdCheck, &MainLayout::cmdCheck},     {cmdSettings, &MainLayout::cmdSettings},
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

void Form1::GetSettings() {
  ::GetSettings(program_folder_, settings_);
  model_.SetSettings(settings_);
}

bool Form1::Form_Load() {
  GetSettings();
  if (NeedsFirstRun(program_folder_, settings_)) {
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
  connect(&model_, &CollectionModel::collectionChanged, this, &Form1::CollectionChanged);
  model_.WatchFolder();
  return true;
}

void Form1::CollectionChanged() {
  std::vector<std::string> files;
  for (const TableEntry& entry : model_.entries()) files.push_back(entry.file);
  // Tables added or gone: the lists are read again, keeping the selected table. The model has
  // just read the catalogue: the names are taken from it, not read again.
  if (FilesChanged(files)) {
    RereadFolder();
    return;
  }
  // Catalogued meanwhile: the names and the selected table's panel show it.
  if (!List1->isHidden() && !launching_) {
    const std::string selected = File1->FileName();
    FillNameList();
    SelectFileRow(File1->RowOf(selected));
  }
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

RunOutcome Form1::RunAndWaitHere(std::string& folder, const std::string& program,
                                 const std::string& arguments, double style) {
  return RunToEnd(folder, program, arguments, style, [this](const std::string& message) {
    dialogs_.MessageBox(message, MessageButtons::kOk, "");
  });
}

void Form1::NoteWrite(bool written, const std::string& file, const std::string& lost) {
  if (written) {
    unwritten_.erase(file);
  } else if (unwritten_.insert(file).second) {
    // Once: a read-only folder would otherwise bring a message at every selection or game.
    dialogs_.MessageBox(FileNotWrittenText(file, lost), MessageButtons::kOk, "");
  }
}

void Form1::NoteCatalogueWrite(const RunOutcome& outcome, bool once) {
  if (!outcome.started || outcome.crashed) return;
  const std::string key = program_folder_ + "/names.ini";
  if (outcome.status != kExitNotWritten) {
    unwritten_.erase(key);
  } else if (unwritten_.insert(key).second || !once) {
    dialogs_.MessageBox(CatalogueNotWrittenText(program_folder_), MessageButtons::kOk, "");
  }
}

bool Form1::ReadIni(const std::string& vp_name) {
  const int serial = ++selection_serial_;
  return ::ReadIni(vp_name, File1->Path(), program_folder_, settings_, state_,
                   [this, serial](std::string& folder, const std::string& program,
                                  const std::string& arguments) {
                     // Hidden: the extractor's window would only flash by.
                     NoteCatalogueWrite(RunAndWaitHere(folder, program, arguments, 0));
                     // The window answered keys meanwhile; a table selected since has been shown by
                     // now.
                     return serial == selection_serial_;
                   });
}

void Form1::File1_Click() {
  const std::string vp_name = File1->FileName();
  if (vp_name.empty()) return;
  if (!ReadIni(vp_name)) return;
  model_.SelectFile(vp_name);
  GetInfo();
  if (state_.BuildingList) return;
  LoadPictures();
  ShowFavouriteButton();
}

void Form1::List1_Click() {
  const int row = List1->currentRow();
  if (row < 0) return;
  // Each entry of the name list keeps the row of its file.
  const int file_row = List1->PartnerRow(row);
  if (file_row >= 0) SelectRow(File1, file_row);
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
  // The names from the catalogue as it is now: the collection in memory, read again first when
  // the catalogue changed since (a rescan, an edit, another program). The window is filled from
  // it here: the model's own notices of the reading are not needed.
  const std::vector<TableEntry>* collection = nullptr;
  std::vector<TableEntry> read;
  if (model_.settings().TablePath == settings_.TablePath) {
    if (model_.CatalogueChanged()) {
      const QSignalBlocker quiet(&model_);
      model_.Reload();
    }
    collection = &model_.entries();
  }
  if (collection == nullptr) {
    read = LoadCollection(program_folder_, settings_);
    collection = &read;
  }
  std::unordered_map<std::string, const TableEntry*> by_file;
  for (const TableEntry& entry : *collection) by_file.emplace(entry.file, &entry);
  std::vector<NameEntry> entries;
  entries.reserve(static_cast<size_t>(File1->count()));
  for (int i = 0; i < File1->count(); ++i) {
    std::string file = File1->FileNameAt(i);
    const auto found = by_file.find(file);
    std::string name = found == by_file.end()
                           ? std::string()
                           : ShownName(*found->second, static_cast<NameView>(state_.ViewMode));
    entries.push_back({std::move(file), std::move(name)});
  }
  SetNameRows(entries);
  List1->show();
  ApplyFilter(/*select=*/false);
  SelectFileRow(-1);
  List1->setFocus();
}

void Form1::ArrangeNameList() {
  // In the file list's order, which the play orders follow.
  std::vector<NameEntry> entries;
  for (int i = 0; i < File1->count(); ++i) {
    entries.push_back({File1->FileNameAt(i), List1->NameAt(File1->PartnerRow(i))});
  }
  SetNameRows(entries);
  ApplyFilter(/*select=*/false);
}

void Form1::SetNameRows(std::vector<NameEntry>& entries) {
  const std::vector<std::string> shown =
      ArrangeNameEntries(entries, sort_order_ == SortOrder::kByName);
  std::vector<TableList::Row> rows;
  rows.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    rows.push_back({entries[i].file, entries[i].name, shown[i], FoldForSearch(entries[i].name)});
  }
  List1->SetRows(rows);
  TableList::Link(*File1, *List1);
  MarkFavourites();
}

void Form1::RereadFolder() {
  const std::string selected = File1->FileName();
  const std::vector<std::string> before = File1->FileNames();
  // Through another folder and back, so the list is read from disk again.
  File1->SetPath(program_folder_);
  File1->Refresh();
  File1->SetPath(settings_.TablePath);
  File1->Refresh();
  // Tables come and go: a changed folder gets its names anew.
  if (!List1->isHidden() && FilesChanged(before)) FillNameList();
  SelectFileRow(File1->RowOf(selected));
}

void Form1::SelectFileRow(int row) {
  QListWidget* const shown = ShownList();
  if (row >= 0 && !File1->isRowHidden(row) && shown == List1) row = File1->PartnerRow(row);
  if (row < 0 || shown->isRowHidden(row)) row = FirstVisibleRow(shown);
  if (row >= 0) {
    SelectRow(shown, row);
    return;
  }
  // Nothing to show: no row stays selected behind the filter, and the frame must not go on
  // showing a table no longer listed.
  {
    const QSignalBlocker file_blocker(File1);
    const QSignalBlocker name_blocker(List1);
    File1->setCurrentRow(-1);
    List1->setCurrentRow(-1);
  }
  const QString text = txtFilter->text();
  lblInfo->setText(text.isEmpty()
                       ? QString::fromStdString("No tables in \"" + File1->Path() + "\".")
                       : "No table matches \"" + text + "\".");
  ShowText(kShowInfo);
}

void Form1::FollowInNameList(int row) {
  const int name_row = File1->PartnerRow(row);
  if (List1->isHidden() || name_row < 0 || List1->currentRow() == name_row) return;
  const QSignalBlocker blocker(List1);
  List1->setCurrentRow(name_row);
}
