// The scan: a breadth-first walk that collects every folder of a tree into
// the folder table, listing each folder in table order as it is read.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/file_system.h"
#include "scan/folder_table.h"
#include "scan/scan_front_end.h"

namespace tolvane::scan {

// The folder path that a folder text names: the text with the separator
// appended, or nothing when the text is empty or already ends in a
// separator (such a text starts no walk).  The text is used untrimmed; on
// Windows each "/" in it is read as the "\" it stands for.
std::optional<std::string> folder_path_from_text(std::string_view text);

struct ScanResult {
  std::size_t folders_walked = 0;  // slots of the folder table (so far, if stopped)
  std::size_t folders_unreadable = 0;
  std::vector<UnreadableFolder> first_unreadable;  // the first few of them
  std::size_t folders_left_out = 0;                // by the dot rule, see FolderTable
  std::vector<std::string> first_left_out;         // the first few of them
  bool start_missing = false;                      // no folder at the start folder's path
  // Stopped before its end: the front end asked at a yield, or a stop was
  // requested; the list holds what was found until then.
  bool stopped = false;
};

// Walks the tree below `folder` (a folder path ending in the separator)
// breadth first, reading each folder from the disk once and listing it with
// Search_file_in_folder in table order.  A file system that can read on
// other threads is read a few folders ahead of the listing, by this thread
// and helpers; any other, one folder at a time before each is listed.
// Names without a dot are queued as folders; folders with one are left out
// (counted and the first few named in the result) unless `dotted` says to
// walk them too.  Once `stop` (may be null) is set, the walk ends before the
// next folder or file: a folder being read is waited for, then left unlisted.
ScanResult Search_folder(const std::string& folder, fsys::FileSystem& file_system,
                         ScanFrontEnd& front_end, DottedFolders dotted = DottedFolders::left_out,
                         const std::atomic<bool>* stop = nullptr);

}  // namespace tolvane::scan
