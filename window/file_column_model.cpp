// A list model over one column of scan::FileList.
#include "window/file_column_model.h"

namespace tolvane::window {

FileColumnModel::FileColumnModel(const scan::FileList& files, Shows shows, QObject* parent)
    : QAbstractListModel(parent), files_(files), shows_(shows) {}

void FileColumnModel::publish(int rows) {
  if (rows <= published_rows_) return;
  beginInsertRows(QModelIndex(), published_rows_, rows - 1);
  published_rows_ = rows;
  endInsertRows();
}

void FileColumnModel::end_clear() {
  published_rows_ = 0;
  endResetModel();
}

int FileColumnModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_rows_;
}

QVariant FileColumnModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= published_rows_) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const std::string_view text = shows_ == Shows::paths ? files_.path(row) : files_.tag(row);
  const auto size = static_cast<qsizetype>(text.size());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QString::fromUtf8(text.data(), size);
    case bytes_role:
      return QByteArray(text.data(), size);
    default:
      return {};
  }
}

}  // namespace tolvane::window
