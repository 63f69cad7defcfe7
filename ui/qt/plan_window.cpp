// The plan window's widgets and their layout; the words are app/'s.
#include "ui/qt/plan_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/plan_texts.h"
#include "ui/qt/plan_table_model.h"

namespace tolvane::qt {
namespace {

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What will happen is read from its start: the mark, then the path of the
// earlier copy it names.  Paths elsewhere keep their start and their end.
class KeepsItsStart final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideRight;
  }
};

}  // namespace

PlanWindow::PlanWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("PlanWindow"));
  setWindowTitle(from_utf8(app::plan_title));
  model_ = new PlanTableModel(this);

  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("PlanSummary"));
  summary_->setWordWrap(true);
  summary_->setTextFormat(Qt::PlainText);

  filter_ = new QCheckBox(from_utf8(app::plan_filter), this);
  filter_->setObjectName(QStringLiteral("PlanFilter"));
  connect(filter_, &QCheckBox::toggled, model_, &PlanTableModel::show_notable_only);

  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("PlanTable"));
  table_->setModel(model_);
  table_->setAccessibleName(from_utf8(app::plan_title));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  // A path's start says where, its end which file: both are kept.
  table_->setTextElideMode(Qt::ElideMiddle);
  table_->setItemDelegateForColumn(PlanTableModel::happening_column, new KeepsItsStart(table_));
  // Rows of one height are laid out without measuring each: 100,000 rows
  // open as quickly as ten.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

  close_ = new QPushButton(from_utf8(app::plan_close), this);
  close_->setObjectName(QStringLiteral("PlanClose"));
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(filter_);
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);

  const int line = fontMetrics().height();
  resize(line * 72, line * 32);
}

void PlanWindow::show_plan(app::CopyPlan plan) {
  summary_->setText(from_utf8(app::plan_summary_line(plan)));
  summary_->setAccessibleName(summary_->text());
  model_->set_plan(std::move(plan));
  if (model_->rowCount() > 0) table_->selectRow(0);
}

void PlanWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (columns_fitted_) return;
  columns_fitted_ = true;
  // As wide as the paths of the first rows need, within a share of the
  // window; what will happen takes the rest.
  const int width = table_->viewport()->width();
  for (const auto& [plan_column, share] : app::plan_path_column_shares) {
    const int column = static_cast<int>(plan_column);
    table_->resizeColumnToContents(column);
    table_->setColumnWidth(column, std::min(table_->columnWidth(column), width * share / 100));
  }
}

}  // namespace tolvane::qt
