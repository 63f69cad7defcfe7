// The copy run: Command2's click and copy_folder, which copies every listed
// file to the target its naming rules give, creating the per-tag folders,
// showing progress per entry and a closing report.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "copy/copy_window.h"
#include "copy/copy_workers.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

// check_name: the entry's folder tag or target name cannot stand as one
// name inside its folder (it holds a separator, is "." or "..", or has
// characters the file system forbids), so nothing was written for it.
enum class CopyOperation { make_folder, copy_file, check_name };

// One entry that was not copied: the operation that failed, on which path,
// and why.  `target` is the folder for make_folder, the target file for
// copy_file, the path the name would have given for check_name.
struct CopyFailure {
  std::size_t index = 0;
  std::string source;
  std::string target;
  CopyOperation operation = CopyOperation::copy_file;
  std::error_code error;
};

struct CopyReport {
  std::size_t entries = 0;    // entries gone through, failed ones included
  std::size_t replaced = 0;   // copied over a different file, which went to the trash
  std::size_t unchanged = 0;  // the target already had the source's size and time
  // Copied over a different file on a volume without a usable trash, which
  // went to `set_aside_folder` under its path below the destination root.
  std::size_t set_aside = 0;
  std::string set_aside_folder;
  std::vector<CopyFailure> failures;
  std::error_code flush_error;  // the copies may not all be on the device
};

// Copies every entry of the window's file list into `ipath` (a folder path
// ending in the separator), puts the copies on the device, then shows the
// closing message.  A failing entry is recorded and the run goes on; no
// listed source and no target already written by this run is ever written
// to; a file that stood at a target goes to the trash or stays.  Folders,
// names and every window call stay on the calling thread, in list order;
// with `workers` > 1 the data is copied by that many threads, so
// `file_system` must then allow calls from several threads at once.  With
// 1, every call happens on the calling thread in list order, and each
// entry's progress is shown before its copy rather than after it.
CopyReport copy_folder(const std::string& ipath, fsys::FileSystem& file_system, CopyWindow& window,
                       std::size_t workers = default_copy_workers());

// Command2's click: copies into the folder that `text2` (Text2's text,
// untrimmed) names, unless it is empty or already ends in the separator;
// then, in every case, window.end_copy_command().  Returns the report of the
// run, or nothing when no run took place.
std::optional<CopyReport> run_copy_command(std::string_view text2, fsys::FileSystem& file_system,
                                           CopyWindow& window,
                                           std::size_t workers = default_copy_workers());

// `index` / (`max` - 1) in single precision, as "0.00%" formats it: times
// 100, two decimals rounded half away from zero, "." as separator.  When
// `max` - 1 is 0 (a single entry) it is "100.00%".
std::string progress_percent_text(std::size_t index, float max);

// "已完成" + entry count + "条。"; then, when not zero, how many replaced a
// file now in the trash, how many one now in the set-aside folder (named),
// and how many were unchanged; a failed flush; when
// entries failed, their number and the first few with their reasons.
std::string closing_message(const CopyReport& report);

// Why an entry failed, as the closing message says it: the operation, then
// the reason in Chinese (the system's words beside it).
std::string failure_text(const CopyFailure& failure);

// How many failures the closing message lists one by one.
inline constexpr std::size_t failures_listed = 5;

}  // namespace tolvane::copy
