// The plan before writing in a window of its own: the summary of the
// counts, a filter to the rows that are not plain new copies, the table of
// every entry in copy order, and a button that closes it.  Resizable and
// modeless: the main window goes on painting and taking input beside it.
#pragma once

#include <QWidget>

#include "app/copy_plan.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tolvane::qt {

class PlanTableModel;

class PlanWindow : public QWidget {
  Q_OBJECT

 public:
  // A window of its own, kept above `owner` and closed with it.
  explicit PlanWindow(QWidget* owner);

  // Shows `plan` in place of the last one.
  void show_plan(app::CopyPlan plan);

  QTableView* table() const { return table_; }
  QCheckBox* filter() const { return filter_; }
  QLabel* summary() const { return summary_; }

 private:
  // Widths in proportion to the window's as it first shows, the source
  // widest; the user's own widths are kept after that.
  void showEvent(QShowEvent* event) override;

  PlanTableModel* model_ = nullptr;
  QLabel* summary_ = nullptr;
  QCheckBox* filter_ = nullptr;
  QTableView* table_ = nullptr;
  QPushButton* close_ = nullptr;
  bool columns_fitted_ = false;
};

}  // namespace tolvane::qt
