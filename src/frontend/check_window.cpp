#include "frontend/check_window.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

FrmCheck::FrmCheck(QWidget* parent, std::function<void(const std::string&)> jump)
    : QDialog(parent), jump_(std::move(jump)) {
  setObjectName("frmCheck");
  setWindowTitle("Check Collection");
  lblCounts = new QLabel(this);
  lblCounts->setObjectName("lblCounts");
  tvwFindings = new QTreeWidget(this);
  tvwFindings->setObjectName("tvwFindings");
  tvwFindings->setHeaderHidden(true);
  tvwFindings->setUniformRowHeights(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblCounts);
  layout->addWidget(tvwFindings);
  resize(640, 480);
  connect(tvwFindings, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const std::string table = item->data(0, Qt::UserRole).toString().toStdString();
    if (table.empty()) return;  // a kind, or a finding that names no table
    hide();
    jump_(table);
  });
}

void FrmCheck::ShowCheck(const CollectionCheck& check) {
  lblCounts->setText(QString::fromStdString(std::to_string(check.tables) + " tables in " +
                                            check.folder + ":  " +
                                            std::to_string(check.rows.size()) + " findings"));
  tvwFindings->clear();
  std::vector<QTreeWidgetItem*> kinds;
  for (size_t k = 0; k < kCheckKinds; ++k) {
    auto* kind = new QTreeWidgetItem(tvwFindings);
    kind->setText(0, QString::fromStdString(CheckKindTitle(static_cast<CheckKind>(k)) + "  (" +
                                            std::to_string(check.counts[k]) + ")"));
    kinds.push_back(kind);
  }
  for (const CheckRow& row : check.rows) {
    auto* item = new QTreeWidgetItem(kinds[static_cast<size_t>(row.kind)]);
    item->setText(0, QString::fromStdString(row.text));
    item->setData(0, Qt::UserRole, QString::fromStdString(row.table));
  }
  // The kinds with findings open, so the first finding is a key press away.
  for (QTreeWidgetItem* kind : kinds) kind->setExpanded(kind->childCount() > 0);
  tvwFindings->setCurrentItem(tvwFindings->topLevelItem(0));
  show();
  raise();
  activateWindow();
  tvwFindings->setFocus();
}
