// Every word the user reads about undoing a copy run, for both windows and
// the command line.  Plain UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "undo/undo_run.h"

namespace tolvane::app {

// The menu item, and its keys as menus show them.
inline constexpr std::string_view undo_item = "撤销上次拷贝";
inline constexpr std::string_view undo_keys = "Ctrl+Z";

// The question before undoing, in the numbers `plan` (a dry run) gives:
// "将删除上次拷贝到“E:\归集”的N个文件，并把M个被替换的文件放回原处。要撤销吗？".
// `folder` is the destination as the user finds it.
std::string undo_question(std::string_view folder, const undo::UndoReport& plan);

// The same plan as a dry run of tolvane-cli --undo ends it:
// "预演：将删除…放回原处。未改动任何文件。".
std::string undo_dry_run_message(std::string_view folder, const undo::UndoReport& plan);

// What undoing did and what it left, and why each was left.
std::string undo_message(std::string_view folder, const undo::UndoReport& report);

// Why there is nothing to undo into `folder`: no run into it is known, or
// its last run was undone already.
std::string nothing_to_undo(std::string_view folder, bool undone_already);

// One line per file left: "<path>：<why>".
std::string left_line(const undo::UndoAction& action);

}  // namespace tolvane::app
