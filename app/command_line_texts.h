// Every word tolvane-cli prints that the window does not say: its usage
// errors, its refusals of SOURCE, DEST and --ext, the dry run's plan lines
// and summary, and its progress line.  The words it shares with the window
// are in user_texts.h; --help's are the option table's.  Plain UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "app/copy_plan.h"
#include "app/destination.h"
#include "copy/copy_events.h"

namespace tolvane::app::command_line {

// A line on standard error in the program's name, "tolvane-cli：<text>": a
// refusal, or a notice the run goes on after.
std::string program_line(std::string_view text);

// A usage error, then how to learn the usage: "…（用 --help 查看用法）".
std::string usage_error(std::string_view problem);
// The usage errors themselves.
std::string unknown_option(std::string_view argument);
std::string extra_argument(std::string_view argument);
inline constexpr std::string_view missing_source_and_destination = "缺少 SOURCE 和 DEST";
inline constexpr std::string_view missing_destination = "缺少 DEST";
inline constexpr std::string_view undo_without_destination = "--undo 后缺少 DEST";
// `option` is one that --undo does not take.
std::string not_with_undo(std::string_view option);

// --ext `extension` holds a separator.
std::string extension_holds_separator(std::string_view extension);
// SOURCE or DEST (`what`) typed as `text` names no folder, for `fault`.
std::string folder_text_refusal(std::string_view what, std::string_view text, TextFault fault);
// SOURCE `text` cannot be read.
std::string source_unreadable(std::string_view text, std::error_code error);
// Why DEST `text`, as `check` found it, cannot be copied into; nothing
// when it can.
std::optional<std::string> destination_refusal(std::string_view text,
                                               const DestinationCheck& check);
// DEST `text` could not be made.
std::string destination_not_made(std::string_view text, std::error_code error);
// DEST `text` did not exist and was made (or, in a dry run, will be) at
// `shown`.
std::string destination_made(std::string_view text, std::string_view shown, bool dry_run);

// After the folders the dot rule left out: how to read them too.
inline constexpr std::string_view dot_folders_hint = "（加 --dot-folders 也读取这些文件夹）";

// A dry run's line for one entry: "<source> → <target>" with marks in 【】
// for a failure and its reason, a renumbered target, a replacement (and
// whose earlier copy it replaces when the numbering moved), an unchanged
// target; an earlier copy left out is its source and its mark.
std::string plan_line(const copy::EntryResult& result);

// The dry run's closing line: the entries and each count that is not zero,
// "预演共7条：新拷贝4条，替换1条（原有文件移入回收站），…。未写入任何文件。".
std::string plan_summary(const PlanCounts& counts);

// "进度：50.00%  4/7  2.0 个文件/秒  剩余 0:02": `caption` is the window's
// progress line for entry `index` (0-based) of `total`, about to be copied
// when `seconds` have passed; the entries before it are done.  The time
// left shows "--:--" until the rate is known.
std::string progress_line(std::string_view caption, std::size_t index, std::size_t total,
                          double seconds);

}  // namespace tolvane::app::command_line
