#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "common/collection_check.h"

class QLabel;
class QTreeWidget;

// The collection check's window: how many tables and findings at the top, then every kind with
// its count and its findings. Enter or a double click on a finding that names a table jumps to
// that table; Esc closes the window.
class FrmCheck : public QDialog {
 public:
  // `jump` is called with the file name of the table chosen.
  FrmCheck(QWidget* parent, std::function<void(const std::string& table)> jump);

  // Shows `check`, replacing what was shown.
  void ShowCheck(const CollectionCheck& check);

  QLabel* lblCounts;
  QTreeWidget* tvwFindings;

 private:
  std::function<void(const std::string&)> jump_;
};
