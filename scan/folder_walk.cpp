// The scan as a whole: walk first, then list every collected folder in order.
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
  // The walk is finished before the first listing starts.
  const FolderTable table = FolderTable::walk(folder, file_system);
  ScanResult result;
  result.folders_walked = table.size();
  result.folders_unreadable = table.unreadable_folders();
  result.first_unreadable = table.first_unreadable();
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    if (!Search_file_in_folder(table, slot, window)) {
      result.stopped = true;
      break;
    }
  }
  return result;
}

}  // namespace tolvane::scan
