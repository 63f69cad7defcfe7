// The plan's cells, worded by app/ as they are asked for.
#include "ui/qt/plan_table_model.h"

#include <algorithm>
#include <limits>

#include "app/plan_texts.h"

namespace tolvane::qt {
namespace {

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A view addresses rows with int.
int shown_rows(std::size_t rows) {
  return static_cast<int>(std::min<std::size_t>(rows, std::numeric_limits<int>::max()));
}

}  // namespace

PlanTableModel::PlanTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void PlanTableModel::set_plan(app::CopyPlan plan) {
  beginResetModel();
  plan_ = std::move(plan);
  endResetModel();
}

void PlanTableModel::show_notable_only(bool only) {
  if (only == notable_only_) return;
  beginResetModel();
  notable_only_ = only;
  endResetModel();
}

int PlanTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return shown_rows(plan_.shown_count(notable_only_));
}

int PlanTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : column_count;
}

const app::PlanRow* PlanTableModel::row_at(int row) const {
  return row < 0 ? nullptr : plan_.shown_row(static_cast<std::size_t>(row), notable_only_);
}

QVariant PlanTableModel::data(const QModelIndex& index, int role) const {
  const app::PlanRow* row = row_at(index.row());
  if (row == nullptr) return {};
  // A cell too narrow for its path shows the whole of it at the pointer.
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (index.column() < 0 || index.column() >= column_count) return {};
  return from_utf8(app::plan_cell(*row, static_cast<app::PlanColumn>(index.column())));
}

QVariant PlanTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) {
    const app::PlanRow* row = row_at(section);
    return row != nullptr ? QVariant(QString::number(row->index + 1)) : QVariant();
  }
  switch (section) {
    case source_column:
      return from_utf8(app::plan_source_column);
    case target_column:
      return from_utf8(app::plan_target_column);
    case happening_column:
      return from_utf8(app::plan_happening_column);
    default:
      return {};
  }
}

}  // namespace tolvane::qt
