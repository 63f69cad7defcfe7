// The plan as a table model: one row per entry in copy order (or only the
// rows that are not plain new copies), with the source, the target and what
// will happen.  Each cell's words are made when a view asks for it, so a
// plan of 100,000 entries costs the view only the rows it shows.
#pragma once

#include <QAbstractTableModel>

#include "app/copy_plan.h"

namespace tolvane::qt {

class PlanTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // As app::PlanColumn numbers them.
  enum Column { source_column, target_column, happening_column, column_count };

  explicit PlanTableModel(QObject* parent = nullptr);

  // A new plan; the filter stays as it was.
  void set_plan(app::CopyPlan plan);
  const app::CopyPlan& plan() const { return plan_; }
  // Only the rows that are not plain new copies, or every row.
  void show_notable_only(bool only);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Above the columns, their titles; beside each row, the entry's number in
  // the list.
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const app::PlanRow* row_at(int row) const;

  app::CopyPlan plan_;
  bool notable_only_ = false;
};

}  // namespace tolvane::qt
