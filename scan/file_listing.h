// The listing of one folder: its files that match the extension text, each
// appended to the file list with the folder's tag.
#pragma once

#include <cstddef>

#include "scan/folder_table.h"
#include "scan/scan_window.h"

namespace tolvane::scan {

// Lists the files of slot `slot_index` whose names match "*" followed by the
// window's extension text (read once, when the call starts), yielding to the
// window after each one.  Returns false when the window asked to stop.
bool Search_file_in_folder(const FolderTable& table, std::size_t slot_index, ScanWindow& window);

}  // namespace tolvane::scan
