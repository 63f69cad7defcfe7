// The scan as a whole: each folder of the walk listed as soon as it is read.
#include "scan/folder_walk.h"

#include "fsys/path_separator.h"
#include "scan/file_listing.h"
#include "scan/folder_table.h"

namespace tolvane::scan {

std::optional<std::string> folder_path_from_text(std::string_view text) {
  if (text.empty() || text.back() == fsys::separator) return std::nullopt;
  std::string folder(text);
  folder += fsys::separator;
  return folder;
}

ScanResult Search_folder(const std::string& folder, fsys::FileSystem& file_system,
                         ScanWindow& window) {
  // Slots are read in table order and each is listed before the next is
  // read, so the list comes out in table order, and only one folder's names
  // are held at a time instead of every name of the tree.
  FolderTable table(folder);
  ScanResult result;
  while (!table.walked()) {
    const std::size_t slot = table.head();
    const fsys::FolderContents contents = table.read_next(file_system);
    if (!Search_file_in_folder(table.folder(slot), slot == 0, contents.entries, window)) {
      result.stopped = true;
      break;
    }
  }
  result.folders_walked = table.size();
  result.folders_unreadable = table.unreadable_folders();
  result.first_unreadable = table.first_unreadable();
  return result;
}

}  // namespace tolvane::scan
