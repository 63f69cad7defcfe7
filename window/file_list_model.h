// The model behind List1 and List2: a view of the scan's file list, paths in
// column 0 and folder tags in column 1.  Entries are appended to the list
// silently and announced to the views in batches, so a scan of a million
// files costs the views one insertion per batch, not one per file.
#pragma once

#include <QAbstractTableModel>

#include "scan/file_list.h"

namespace tolvane::window {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { path_column = 0, tag_column = 1 };
  // The exact bytes of a path or tag, as a QByteArray (the display text
  // replaces bytes that are not UTF-8).
  static constexpr int bytes_role = Qt::UserRole;

  explicit FileListModel(QObject* parent = nullptr);

  const scan::FileList& files() const { return files_; }

  // Appends one entry; the views learn of it at the next publish_rows().
  void append(std::string_view path, std::string_view tag);
  // Tells the views about every entry appended since the last call.
  void publish_rows();
  // Empties the list and the views.
  void clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  scan::FileList files_;
  int published_rows_ = 0;  // rows the views know of
};

}  // namespace tolvane::window
