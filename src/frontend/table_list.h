#pragma once

#include <QListWidget>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// A list with one row per table file. Each row keeps the file's own bytes (a name that is no
// UTF-8 is shown as FileNameText shows it, and every file operation uses the bytes), the text
// the filter matches, and the row of the same table in a partner list, so that a name view
// sorted its own way still stands for the file list's rows.
class TableList : public QListWidget {
 public:
  struct Row {
    std::string file;    // the table file's name, its own bytes
    std::string name;    // the name found for the table
    std::string text;    // what the row shows, before the favourite mark
    std::string search;  // what the filter matches, folded
  };

  explicit TableList(QWidget* parent = nullptr);

  // Replaces every row, with nothing selected and no selection signalled; partners are unset.
  void SetRows(const std::vector<Row>& rows);
  // The file of `row`, "" when there is no such row.
  std::string FileNameAt(int row) const;
  // The name found for the table of `row`, "" when there is no such row.
  std::string NameAt(int row) const;
  // The files of every row, in order.
  std::vector<std::string> FileNames() const;
  // The row of the file `file_name`, -1 when none.
  int RowOf(const std::string& file_name) const;
  // True when the filter's folded `needle` is in the text `row` is matched by.
  bool Matches(int row, const QString& needle) const;
  // The row of the same table in the partner list, -1 when it has none.
  int PartnerRow(int row) const;
  // Makes each row of `a` and of `b` the partner of the other's row of the same file.
  static void Link(TableList& a, TableList& b);
  // Shows the favourite mark before the rows whose file `is_favourite` names, and no mark
  // before the others.
  void MarkFavourites(const std::function<bool(const std::string& file)>& is_favourite);

 private:
  std::unordered_map<std::string, int> rows_;  // file -> row
};

// The table files (.vpt and .vpx) of one folder, sorted by name without regard to case, as a
// file list box shows them.
class FileListBox : public TableList {
 public:
  explicit FileListBox(QWidget* parent = nullptr);

  // The folder listed, without a trailing separator.
  const std::string& Path() const { return path_; }
  // Lists `folder` afresh, with nothing selected. A folder that does not exist leaves the list
  // on the folder it had and returns false.
  bool SetPath(const std::string& folder);
  // Reads the folder again, with nothing selected.
  void Refresh();
  // The selected file, its own bytes; "" when none is.
  std::string FileName() const { return FileNameAt(currentRow()); }

  // Puts the names of a listing in the order of the view; unset, they stay in name order.
  std::function<void(std::vector<std::string>& names)> order;
  // Runs after every listing, once the rows are in.
  std::function<void()> refreshed;

 private:
  std::string path_;
};

// The first row of `list` that the filter leaves visible, -1 when none.
int FirstVisibleRow(const QListWidget* list);
