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
// when `unreadable` folders were not, "共计读取120条，3个文件夹略过" when
// `left_out` folders were kept out by the dot rule, "共计读取120条，未读2，
// 略过3" when both (short, so that it fits Label2).
std::string count_line(std::size_t files, std::size_t unreadable, std::size_t left_out = 0);

// One line per folder of `first` with the system's reason in words, then
// "…" with the number of the `unreadable` ones not shown; empty when every
// folder was read.
std::string unreadable_details(std::size_t unreadable, const std::vector<UnreadableFolder>& first);

// The same for the `left_out` folders whose names hold a dot, `first` the
// first few of them; empty when there are none.
std::string left_out_details(std::size_t left_out, const std::vector<std::string>& first);

}  // namespace tolvane::scan
