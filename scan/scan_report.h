// What the window says after a scan, in its language: the count line, and
// the details of the folders that could not be read.  Plain UTF-8 text, the
// same for every front end.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scan/folder_table.h"

namespace tolvane::scan {

// "共计读取120条" when every folder was read; "共计读取120条，2个文件夹未读"
// when `unreadable` folders were not (short, so that it fits Label2).
std::string count_line(std::size_t files, std::size_t unreadable);

// One line per folder of `first` with the system's reason in words, then
// "…" with the number of the `unreadable` ones not shown; empty when every
// folder was read.
std::string unreadable_details(std::size_t unreadable, const std::vector<UnreadableFolder>& first);

}  // namespace tolvane::scan
