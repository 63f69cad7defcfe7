// One column of the file list as a list model: the paths for List1 or the
// folder tags for List2.  Each list gets a model of its own, so assistive
// tools see exactly one item per entry in each.
#pragma once

#include <QAbstractListModel>

#include "scan/file_list.h"

namespace tolvane::window {

class FileColumnModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum class Shows { paths, tags };
  // The exact bytes of a path or tag, as a QByteArray (the display text
  // replaces bytes that are not UTF-8).
  static constexpr int bytes_role = Qt::UserRole;

  // `files` must outlive the model.
  FileColumnModel(const scan::FileList& files, Shows shows, QObject* parent);

  // Tells the views that entries [0, rows) of the list are there.
  void publish(int rows);
  // Around emptying the list: the views forget every row.
  void begin_clear() { beginResetModel(); }
  void end_clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  const scan::FileList& files_;
  Shows shows_;
  int published_rows_ = 0;
};

}  // namespace tolvane::window
