// The scan as a whole: each folder of the walk listed as soon as it is read.
#include "scan/folder_walk.h"

#include "fsys/path_separator.h"
#include "scan/file_listing.h"
#include "scan/folder_read_ahead.h"
#include "scan/folder_table.h"
#include "scan/stop_flag.h"

namespace tolvane::scan {

std::optional<std::string> folder_path_from_text(std::string_view text) {
  std::string folder(text);
  // Every other spelling of the separator becomes the one the tags, the
  // names and the refusals look for.
  for (char& c : folder) {
    if (fsys::separators.find(c) != std::string_view::npos) c = fsys::separator;
  }
  if (folder.empty() || folder.back() == fsys::separator) return std::nullopt;
  folder += fsys::separator;
  return folder;
}

namespace {

// Lists the slots in table order as they are read.  Without helpers each
// folder is read here and listed before the next is read; with them, a few
// are read ahead meanwhile.  The list comes out the same either way.
bool list_in_table_order(FolderTable& table, fsys::FileSystem& file_system, ScanFrontEnd& front_end,
                         std::size_t helpers, const std::atomic<bool>* stop) {
  FolderReadAhead reading(table, file_system, helpers);
  const auto breathe = [&front_end] { front_end.breathe(); };
  while (std::optional<FolderRead> read = reading.next(breathe)) {
    // Most folders of a large tree hold no match, and never yield: the stop
    // is looked at between folders too.
    if (stop_requested(stop) || !Search_file_in_folder(*read->folder, read->slot == 0,
                                                       read->contents.entries, front_end, stop)) {
      return false;
    }
    front_end.breathe();
  }
  return true;
}

}  // namespace

ScanResult Search_folder(const std::string& folder, fsys::FileSystem& file_system,
                         ScanFrontEnd& front_end, DottedFolders dotted,
                         const std::atomic<bool>* stop) {
  // Slots are listed in table order as soon as they are read, so the list
  // comes out in table order, and only a few folders' names are held at a
  // time instead of every name of the tree.
  FolderTable table(folder, dotted);
  ScanResult result;
  const std::size_t helpers =
      file_system.reads_folders_from_any_thread() ? default_read_helpers() : 0;
  result.stopped = !list_in_table_order(table, file_system, front_end, helpers, stop);
  result.folders_walked = table.size();
  result.folders_unreadable = table.unreadable_folders();
  result.first_unreadable = table.first_unreadable();
  result.folders_left_out = table.left_out_folders();
  result.first_left_out = table.first_left_out();
  result.start_missing = table.start_missing();
  return result;
}

}  // namespace tolvane::scan
