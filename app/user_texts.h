// Every word the user reads about a scan and a copy run, written once for the
// Qt window, the Win32 window and the command line: the count line and the
// folders behind it, the progress line, the closing message, why an entry
// failed, the system's errors in Chinese, and the refused destination.  The
// core reports numbers, outcomes and error codes; this file words them.
// Plain UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/destination.h"
#include "copy/copy_run.h"
#include "scan/folder_table.h"
#include "scan/folder_walk.h"

namespace tolvane::app {

// Why a scan read nothing, as the count line tells it.
enum class NothingRead : std::uint8_t {
  empty_text,         // the source text is empty
  ends_in_separator,  // the source text ends in a separator, "C:\" included: no walk
  root_text,          // the source text is only separators ("/"): no walk
  folder_missing,     // the walk found no folder at the source text's path
};

// The folder a replaced file goes to on a volume without a usable trash,
// made at the destination root when first needed.
inline constexpr std::string_view set_aside_folder_name = "被替换的文件";
// Why a replaced file went there, or could not go to the trash.
inline constexpr std::string_view no_usable_trash = "该磁盘没有可用的回收站";

// The progress caption before any entry, and the words after the last
// entry's caption while the copies are put on the device.
inline constexpr std::string_view progress_prefix = "进度：";
inline constexpr std::string_view flushing_suffix = "，正在写入磁盘…";

// "共计读取120条" when every folder was read; "共计读取120条，2个文件夹未读"
// when `unreadable` folders were not, "共计读取120条，3个文件夹略过" when
// `left_out` folders were kept out by the dot rule, "共计读取120条，未读2/略过3"
// when both (short, so that it fits Label2).
std::string count_line(std::size_t files, std::size_t unreadable, std::size_t left_out = 0);

// One line per folder of `first` with the system's reason in words, then
// "…" with the number of the `unreadable` ones not shown; empty when every
// folder was read.
std::string unreadable_details(std::size_t unreadable,
                               const std::vector<scan::UnreadableFolder>& first);

// The same for the `left_out` folders whose names hold a dot, `first` the
// first few of them; empty when there are none.
std::string left_out_details(std::size_t left_out, const std::vector<std::string>& first);

// Label2 after a scan that listed `files`: the count line with the folders
// that were not read or left out by the dot rule, and why nothing was read
// when `why` says so ("共计读取0条（文件夹不存在）"), or that the user stopped
// it ("共计读取120条（已停止）").  Short enough for Label2 at every scale.
std::string count_caption(std::size_t files, const scan::ScanResult& result,
                          std::optional<NothingRead> why);

// What the count line adds for a scan the user stopped: the list holds what
// was read until then.
inline constexpr std::string_view scan_stopped_words = "（已停止）";

// The folders behind the count line, unreadable ones first, then those left
// out; empty when there are none.
std::string scan_details(const scan::ScanResult& result);

// A path as a line of plain text shows it: each control character (a
// newline in a name) as its visible picture, U+2400 and on, so that one
// entry stays on one line.
std::string shown_path(std::string_view path);

// The message a Command2 click shows instead of copying when `check` refuses
// the destination: its text names no folder, or a file stands there; nothing
// when it does not.
std::optional<std::string> destination_refusal(const DestinationCheck& check);

// "另存为目录“…”是文件，不是文件夹。": a file stands where the destination
// `shown` (its absolute path, as the user finds it) would be.  The window and
// the command line alike.
std::string destination_is_file(std::string_view shown);

// The question a Command2 click asks when the destination `folder` (its
// absolute path, as the user finds it) does not exist:
// "另存为目录“…”不存在，要新建吗？".
std::string destination_question(std::string_view folder);

// Why the destination `folder` could not be made: "无法新建另存为目录“…”：
// 没有权限（Permission denied）。" and the like.
std::string destination_not_made(std::string_view folder, std::error_code error);

// The buttons of a Yes/No question where the toolkit's own words would not be
// Chinese.
inline constexpr std::string_view yes_button = "是";
inline constexpr std::string_view no_button = "否";

// `index` / (`max` - 1) in single precision, as "0.00%" formats it: times
// 100, two decimals rounded half away from zero, "." as separator.  When
// `max` - 1 is 0 (a single entry) it is "100.00%".
std::string progress_percent_text(std::size_t index, float max);

// Label6 while entry `index` of a run measured against `max` is shown:
// "进度：" and the percentage.
std::string progress_caption(std::size_t index, float max);

// "没有权限（Permission denied）" and the like; the system's message alone for
// an error without a phrase of ours.
std::string error_in_words(std::error_code error);

// "磁盘空间不足（No space left on device）" and the like; the system's
// message alone for an error without a text of ours.  A file that could
// not be put in the trash (fsys::trash_category()) or the set-aside folder
// (fsys::set_aside_category()) is said to be kept.
std::string failure_reason(std::error_code error);

// The same for a failure on `target` (a file, or a folder ending in the
// separator): when the volume refused its last name and that name holds a
// character FAT, exFAT or NTFS cannot hold, the reason names it.
std::string failure_reason(std::error_code error, std::string_view target);

// What in the last name of `target` FAT, exFAT and NTFS refuse, worded to
// follow "名称": "中有“:”" (also ? * < > | " \), "中有控制字符U+000A",
// "以“.”结尾", "以空格结尾"; nothing when the name holds none of these.
std::optional<std::string> refused_in_name(std::string_view target);

// Why an entry failed, as the closing message says it: the operation, then
// the reason in Chinese (the system's words beside it).
std::string failure_text(const copy::CopyFailure& failure);

// How many failures the closing message lists one by one.
inline constexpr std::size_t failures_listed = 5;

// What became of an entry that was not copied, as the closing message counts
// it and a plan marks it.
inline constexpr std::string_view earlier_copy_words = "是之前拷贝到该目录的文件，不再拷贝";
inline constexpr std::string_view unchanged_words = "与原有文件相同，不重新拷贝";

// The question Escape or the close button asks during a copy run that has
// gone through `done` of `total` entries: "正在拷贝：已完成N条，共M条。
// 要停止吗？…".
std::string stop_question(std::size_t done, std::size_t total);

// "已完成" + entry count + "条。", or for a run the user stopped "已停止：
// 已拷贝N条，余下M条未拷贝。"; then, when not zero, how many replaced a
// file now in the trash, how many one now in the set-aside folder (named),
// how many replaced this program's earlier copy of another source because
// the numbering moved ("其中N条因编号变动替换了之前拷贝的文件（已移入回收站）"),
// how many were earlier copies and how many unchanged; a failed flush; the
// `folders_unreadable` folders whose files the scan never listed; when
// entries failed, their number and the first few with their reasons.
std::string closing_message(const copy::CopyReport& report, std::size_t folders_unreadable = 0);

}  // namespace tolvane::app
