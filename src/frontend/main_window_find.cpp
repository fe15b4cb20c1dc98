// Form1's finding: the filter and Esc, favourites, the sort order, the collection check and the
// jump to a table it names.
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <unordered_set>

#include "common/collection_check.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/table_details.h"
#include "common/tables.h"
#include "common/text.h"
#include "frontend/browser.h"
#include "frontend/check_window.h"
#include "frontend/main_window.h"
#include "frontend/notices.h"

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
  // The name list hides the rows of the same tables; each row knows its partner.
  const bool names = !List1->isHidden();
  for (int i = 0; i < File1->count(); ++i) {
    const int name_row = names ? File1->PartnerRow(i) : -1;
    bool visible = needle.isEmpty() || File1->Matches(i, needle) ||
                   (name_row >= 0 && List1->Matches(name_row, needle));
    if (visible && favourites_only) {
      const std::string file = File1->FileNameAt(i);
      visible = file == kept_favourite_ || favourites.contains(LowerCaseName(TableKey(file)));
    }
    if (File1->isRowHidden(i) == visible) File1->setRowHidden(i, !visible);
    if (name_row >= 0 && List1->isRowHidden(name_row) == visible) {
      List1->setRowHidden(name_row, !visible);
    }
  }
  if (!select) return;
  const int current = File1->currentRow();
  if (current >= 0 && !File1->isRowHidden(current)) return;
  // Showing the table would hand the keys to the list; whoever types keeps them.
  const bool typing = txtFilter->hasFocus();
  const int before = File1->RowOf(hidden_selection_);
  if (current < 0 && before >= 0 && !File1->isRowHidden(before)) {
    // The table selected before the filter hid every table is shown again.
    hidden_selection_.clear();
    SelectFileRow(before);
  } else {
    // When nothing is left to show, the table is found again once the filter lets it be.
    if (current >= 0 && FirstVisibleRow(File1) < 0) hidden_selection_ = File1->FileName();
    SelectFileRow(-1);
  }
  if (typing) txtFilter->setFocus();
}

void Form1::ClearFilter() {
  txtFilter->clear();
  hidden_selection_.clear();
  QListWidget* const shown = ShownList();
  // The rows come back above and below the table: it stays in sight.
  if (shown->currentItem() != nullptr) {
    shown->scrollToItem(shown->currentItem(), QAbstractItemView::PositionAtCenter);
  }
  FocusList();
}

void Form1::ToggleFavourite() {
  const std::string file_name = File1->FileName();
  if (file_name.empty()) return;
  const std::string key = TableKey(file_name);
  const bool favourite = !ReadPlayStats(program_folder_, key).favourite;
  const bool written = SetFavourite(program_folder_, key, favourite);
  NoteWrite(written, program_folder_ + "/" + kStatsIni, "The favourite was");
  if (!written) return;
  const std::string table = PathInFolder(File1->Path(), file_name);
  NoteWrite(ShareWithDetailsFile(program_folder_, table, key), TableDetailsFile(table),
            "The favourite mark in it was");
  // Unmarked in the favourites' view, the table stays until the selection moves on, so that a
  // second F2 marks it again rather than unmarking the next one.
  if (!favourite && txtFilter->text().startsWith('*')) kept_favourite_ = file_name;
  MarkFavourites();
  GetInfo();
  ShowFavouriteButton();
}

void Form1::MarkFavourites() {
  const std::unordered_set<std::string> favourites = Favourites(program_folder_);
  const auto is_favourite = [&favourites](const std::string& file) {
    return !favourites.empty() && favourites.contains(LowerCaseName(TableKey(file)));
  };
  File1->MarkFavourites(is_favourite);
  List1->MarkFavourites(is_favourite);
}

void Form1::ShowFavouriteButton() {
  const std::string file_name = File1->FileName();
  const bool favourite =
      !file_name.empty() && ReadPlayStats(program_folder_, TableKey(file_name)).favourite;
  cmdFavourite->setText(QString::fromStdString(FavouriteMarked("Favourite", favourite)));
}

void Form1::CycleSortOrder() {
  sort_order_ = NextSortOrder(sort_order_);
  NoteWrite(ProfileWrite("Window", "SortOrder", std::to_string(static_cast<int>(sort_order_)),
                         SettingsFile(program_folder_)),
            SettingsFile(program_folder_), "The sort order was");
  cmdSort->setText(QString::fromStdString(SortCaption(sort_order_)));
  Resort();
}

bool Form1::FilesChanged(std::vector<std::string> before) const {
  std::vector<std::string> after = File1->FileNames();
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  return before != after;
}

void Form1::Resort() {
  const std::string selected = File1->FileName();
  const std::vector<std::string> before = File1->FileNames();
  File1->Refresh();
  if (!List1->isHidden()) {
    if (FilesChanged(before)) {
      FillNameList();  // the folder changed meanwhile
    } else {
      ArrangeNameList();
    }
  }
  SelectFileRow(File1->RowOf(selected));
}

void Form1::cmdCheck_Click() {
  if (frmCheck == nullptr) {
    frmCheck = new FrmCheck(this, [this](const std::string& table) { JumpToTable(table); });
  }
  frmCheck->ShowCheck(CheckCollection(program_folder_, settings_));
}

void Form1::JumpToTable(const std::string& file_name) {
  const int row = File1->RowOf(file_name);
  if (row < 0) return;
  // A filter that hides the table gives way.
  if (File1->isRowHidden(row)) txtFilter->clear();
  SelectFileRow(row);
  activateWindow();
  FocusList();
}
