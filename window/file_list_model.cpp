// The file list and its two list models, announced in batches.
#include "window/file_list_model.h"

#include <algorithm>
#include <limits>

namespace tolvane::window {

FileListModel::FileListModel(QObject* parent)
    : QObject(parent),
      paths_(new FileColumnModel(files_, FileColumnModel::Shows::paths, this)),
      tags_(new FileColumnModel(files_, FileColumnModel::Shows::tags, this)) {}

void FileListModel::append(std::string_view path, std::string_view tag) {
  files_.append(path, tag);
}

void FileListModel::publish_rows() {
  // A view addresses rows with int; entries beyond that stay in the list
  // (the copy run reads the list itself) but cannot be shown.
  const int total =
      static_cast<int>(std::min<std::size_t>(files_.size(), std::numeric_limits<int>::max()));
  paths_->publish(total);
  tags_->publish(total);
}

void FileListModel::clear() {
  paths_->begin_clear();
  tags_->begin_clear();
  files_.clear();
  paths_->end_clear();
  tags_->end_clear();
}

}  // namespace tolvane::window
