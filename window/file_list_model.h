// The file list behind List1 and List2, and a model of its own for each
// list: paths for List1, folder tags for List2.  Entries are appended to the
// list silently and announced to the views in batches, so a scan of a
// million files costs the views one insertion per batch, not one per file.
#pragma once

#include <QObject>

#include "scan/file_list.h"
#include "window/file_column_model.h"

namespace tolvane::window {

class FileListModel : public QObject {
  Q_OBJECT

 public:
  static constexpr int bytes_role = FileColumnModel::bytes_role;

  explicit FileListModel(QObject* parent = nullptr);

  const scan::FileList& files() const { return files_; }
  FileColumnModel* paths() const { return paths_; }  // List1's model
  FileColumnModel* tags() const { return tags_; }    // List2's model

  // Appends one entry; the views learn of it at the next publish_rows().
  void append(std::string_view path, std::string_view tag);
  // Tells the views about every entry appended since the last call.
  void publish_rows();
  // Empties the list and the views.
  void clear();

 private:
  scan::FileList files_;
  FileColumnModel* paths_;
  FileColumnModel* tags_;
};

}  // namespace tolvane::window
