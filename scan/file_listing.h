// The listing of one folder: its files that match the extension text, each
// appended to the file list with the folder's tag.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "scan/scan_front_end.h"

namespace tolvane::scan {

// Lists the ordinary files among `entries` (read from `folder`, a folder
// path ending in the separator) whose names match "*" followed by the
// front end's extension text (read once, when the call starts), in the order
// given, yielding to the front end after each one.  `start_folder` says that
// `folder` is the one the scan started from, as typed.  Returns false when
// the front end asked to stop at a yield, or `stop` (may be null) is set.
bool Search_file_in_folder(const std::string& folder, bool start_folder,
                           const std::vector<fsys::FolderEntry>& entries, ScanFrontEnd& front_end,
                           const std::atomic<bool>* stop = nullptr);

}  // namespace tolvane::scan
