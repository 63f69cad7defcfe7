// Every word of the plan before writing: the menu item that opens it, the
// plan window's title, columns and filter, what each row says will happen,
// and the counts, for both windows and the command line's dry run.
// Plain UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "app/copy_plan.h"

namespace tolvane::app {

// The item of List1's and the window's context menu, and its keys as menus
// show them.
inline constexpr std::string_view preview_item = "预览拷贝…";
inline constexpr std::string_view preview_keys = "Ctrl+P";

// The plan window.
inline constexpr std::string_view plan_title = "预览拷贝";
inline constexpr std::string_view plan_source_column = "源文件";
inline constexpr std::string_view plan_target_column = "目标（另存为目录下）";
inline constexpr std::string_view plan_happening_column = "将如何处理";
inline constexpr std::string_view plan_filter = "只显示新拷贝以外的行";
inline constexpr std::string_view plan_close = "关闭";

// The plan window's columns, left to right.
enum class PlanColumn : std::uint8_t { source, target, happening };

// The most of the list's width, in per cent, that the source and the target
// column take when fitted to the paths of the first rows; what will happen
// takes the rest.
inline constexpr std::pair<PlanColumn, int> plan_path_column_shares[] = {{PlanColumn::source, 45},
                                                                         {PlanColumn::target, 25}};

// What `row` says in `column`: its source or target path, as shown_path
// shows it, or what will happen to it.
std::string plan_cell(const PlanRow& row, PlanColumn column);

// What a target that holds an earlier run's copy of `earlier_source`
// (another source) is marked with: "编号变动：原来是X的拷贝".
std::string renumbering_mark(std::string_view earlier_source);

// What will happen to the entry of `row`: "新拷贝", "替换（原有文件移入回收站）",
// "相同，不拷贝", "改用下一个序号", "之前拷贝到该目录的文件，不再拷贝",
// "将失败：<why>", the renumbering mark first where there is one; several
// joined by "；".
std::string planned_happening(const PlanRow& row);

// A row read whole, as a screen reader reads it: "<source> → <target>：<what
// will happen>" (an earlier copy left out has no target).
std::string plan_row_text(const PlanRow& row);

// The counts that are not zero: "共7条：新拷贝4条，替换1条（原有文件移入回收站），
// 编号变动2条（之前拷贝的文件移入回收站），…。", then how many take the next free
// number and how many earlier copies are left out.
std::string plan_counts_text(const PlanCounts& counts);

// The plan window's summary: that the destination will be made, when it
// will, then the counts.
std::string plan_summary_line(const CopyPlan& plan);

}  // namespace tolvane::app
