// The file list model: batches of row insertions over scan::FileList.
#include "window/file_list_model.h"

#include <algorithm>
#include <limits>

namespace tolvane::window {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::append(std::string_view path, std::string_view tag) {
  files_.append(path, tag);
}

void FileListModel::publish_rows() {
  // A view addresses rows with int; entries beyond that stay in the list
  // (the copy run reads the list itself) but cannot be shown.
  const int total =
      static_cast<int>(std::min<std::size_t>(files_.size(), std::numeric_limits<int>::max()));
  if (total <= published_rows_) return;
  beginInsertRows(QModelIndex(), published_rows_, total - 1);
  published_rows_ = total;
  endInsertRows();
}

void FileListModel::clear() {
  beginResetModel();
  files_.clear();
  published_rows_ = 0;
  endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_rows_;
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= published_rows_) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const std::string_view text = index.column() == path_column ? files_.path(row) : files_.tag(row);
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
