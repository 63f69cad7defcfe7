// The scan as a whole: each folder of the walk listed as soon as it is read.
#include "scan/folder_walk.h"

#include "fsys/path_separator.h"
#include "scan/file_listing.h"
#include "scan/folder_read_ahead.h"
#include "scan/folder_table.h"

namespace tolvane::scan {

std::optional<std::string> folder_path_from_text(std::string_view text) {
  if (text.empty() || text.back() == fsys::separator) return std::nullopt;
  std::string folder(text);
  folder += fsys::separator;
  return folder;
}

namespace {

// Each slot is read and then listed before the next is read.
bool list_in_turn(FolderTable& table, fsys::FileSystem& file_system, ScanWindow& window) {
  while (!table.walked()) {
    const std::size_t slot = table.head();
    const fsys::FolderContents contents = table.read_next(file_system);
    if (!Search_file_in_folder(table.folder(slot), slot == 0, contents.entries, window)) {
      return false;
    }
    window.breathe();
  }
  return true;
}

// The slots are read a few ahead, by this thread between listings and by
// helpers meanwhile, and listed here in table order: the list comes out the
// same as read in turn.
bool list_while_reading_ahead(FolderTable& table, fsys::FileSystem& file_system,
                              ScanWindow& window) {
  FolderReadAhead ahead(table, file_system, default_read_helpers());
  const auto breathe = [&window] { window.breathe(); };
  while (std::optional<FolderRead> read = ahead.next(breathe)) {
    if (!Search_file_in_folder(*read->folder, read->slot == 0, read->contents.entries, window)) {
      return false;
    }
    window.breathe();
  }
  return true;
}

}  // namespace

ScanResult Search_folder(const std::string& folder, fsys::FileSystem& file_system,
                         ScanWindow& window) {
  // Slots are listed in table order as soon as they are read, so the list
  // comes out in table order, and only a few folders' names are held at a
  // time instead of every name of the tree.
  FolderTable table(folder);
  ScanResult result;
  result.stopped = file_system.reads_folders_from_any_thread()
                       ? !list_while_reading_ahead(table, file_system, window)
                       : !list_in_turn(table, file_system, window);
  result.folders_walked = table.size();
  result.folders_unreadable = table.unreadable_folders();
  result.first_unreadable = table.first_unreadable();
  return result;
}

}  // namespace tolvane::scan
