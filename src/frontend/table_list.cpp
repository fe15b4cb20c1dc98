#include "frontend/table_list.h"

#include <QDir>
#include <QSignalBlocker>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/tables.h"
#include "frontend/browser.h"

namespace {

// What each row keeps beside its text; the filter's text is Qt::UserRole.
constexpr int kFileRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;
constexpr int kTextRole = Qt::UserRole + 3;
constexpr int kPartnerRole = Qt::UserRole + 4;

}  // namespace

TableList::TableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  // One line per entry: thousands of tables need no per-entry text measuring.
  setUniformItemSizes(true);
}

void TableList::SetRows(const std::vector<Row>& rows) {
  // A fresh list has nothing selected, and emptying it is no selection of the user's.
  const QSignalBlocker blocker(this);
  clear();
  rows_.clear();
  rows_.reserve(rows.size());
  for (const Row& row : rows) {
    // Filled before it joins the list, so that its data raise no change in the view.
    auto* item = new QListWidgetItem(QString::fromStdString(row.text));
    // Folded once here, not at every key typed into the filter.
    item->setData(Qt::UserRole, QString::fromStdString(row.search));
    item->setData(kFileRole, QByteArray::fromStdString(row.file));
    item->setData(kNameRole, QString::fromStdString(row.name));
    item->setData(kTextRole, item->text());
    item->setData(kPartnerRole, -1);
    addItem(item);
    rows_[row.file] = count() - 1;
  }
  setCurrentRow(-1);
}

std::string TableList::FileNameAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it == nullptr ? std::string() : it->data(kFileRole).toByteArray().toStdString();
}

std::string TableList::NameAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it == nullptr ? std::string() : it->data(kNameRole).toString().toStdString();
}

std::vector<std::string> TableList::FileNames() const {
  std::vector<std::string> files;
  files.reserve(static_cast<size_t>(count()));
  for (int i = 0; i < count(); ++i) files.push_back(FileNameAt(i));
  return files;
}

int TableList::RowOf(const std::string& file_name) const {
  const auto found = rows_.find(file_name);
  return found == rows_.end() ? -1 : found->second;
}

bool TableList::Matches(int row, const QString& needle) const {
  const QListWidgetItem* it = item(row);
  return it != nullptr && it->data(Qt::UserRole).toString().contains(needle);
}

int TableList::PartnerRow(int row) const {
  const QListWidgetItem* it = item(row);
  return it == nullptr ? -1 : it->data(kPartnerRole).toInt();
}

void TableList::Link(TableList& a, TableList& b) {
  for (TableList* list : {&a, &b}) {
    const TableList& other = list == &a ? b : a;
    // Through the rows kept by file, without reading each item's file back.
    for (const auto& [file, row] : list->rows_) {
      const auto found = other.rows_.find(file);
      list->item(row)->setData(kPartnerRole, found == other.rows_.end() ? -1 : found->second);
    }
  }
}

void TableList::MarkFavourites(const std::function<bool(const std::string&)>& is_favourite) {
  static const QString kMark = QString::fromStdString(FavouriteMarked("", true));
  for (const auto& [file, row] : rows_) {
    QListWidgetItem* it = item(row);
    const QString plain = it->data(kTextRole).toString();
    const QString text = is_favourite(file) ? kMark + plain : plain;
    if (it->text() != text) it->setText(text);
  }
}

FileListBox::FileListBox(QWidget* parent) : TableList(parent) {
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
  std::vector<std::string> names = ListTableFiles(path_);
  if (order) order(names);
  std::vector<Row> rows;
  rows.reserve(names.size());
  for (const std::string& name : names) {
    const std::string text = FileNameText(name);
    rows.push_back({name, text, text, FileSearchText(name)});
  }
  SetRows(rows);
  if (refreshed) refreshed();
}

int FirstVisibleRow(const QListWidget* list) {
  for (int i = 0; i < list->count(); ++i) {
    if (!list->isRowHidden(i)) return i;
  }
  return -1;
}
