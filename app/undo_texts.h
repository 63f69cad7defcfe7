// Every word the user reads about undoing a copy run, and about a run that
// cannot be undone, for both windows and the command line.  Plain UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "undo/undo_run.h"

namespace tolvane::app {

// The menu item, and its keys as menus show them.
inline constexpr std::string_view undo_item = "撤销上次拷贝";
inline constexpr std::string_view undo_keys = "Ctrl+Z";

// The question before undoing, in the numbers `plan` (a dry run) gives:
// "将删除上次拷贝到“E:\归集”的N个文件，并把M个被替换的文件放回原处，移除拷贝时
// 新建的2个文件夹（“trip”“home”）。要撤销吗？".  `folder` is the destination
// as the user finds it.
std::string undo_question(std::string_view folder, const undo::UndoReport& plan);

// The same plan as a dry run of tolvane-cli --undo ends it:
// "预演：将删除…。未改动任何文件。".
std::string undo_dry_run_message(std::string_view folder, const undo::UndoReport& plan);

// What undoing did and what it left, and why each was left; when a step was
// refused, that undoing again may finish the job.
std::string undo_message(std::string_view folder, const undo::UndoReport& report);

// Why there is nothing to undo into `folder`: no run into it is known, or
// its last run was undone already.
std::string nothing_to_undo(std::string_view folder, bool undone_already);

// One step of an undo's plan as tolvane-cli --undo --dry-run lists it:
// "删除 <copy>", "放回 <kept> → <name>", "保留 <path>：<why>"…
std::string undo_plan_line(const undo::UndoAction& action);

// One line per file left: "<path>：<why>".
std::string left_line(const undo::UndoAction& action);

// The progress line while an undo goes: "撤销：N/M".
std::string undo_progress_caption(std::size_t done, std::size_t total);

// A copy run whose journal cannot be written cannot be undone.  The window
// asks before copying: "无法记录本次拷贝（没有权限：Permission denied），之后
// 不能撤销。仍要拷贝吗？"; the command line says the same without the question.
std::string unrecorded_question(std::error_code why);
std::string unrecorded_notice(std::error_code why);
// The closing message's line when the journal stopped being written part
// way through the run.
std::string record_cut_short(std::error_code why);

}  // namespace tolvane::app
