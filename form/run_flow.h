// The scan and the copy run as every front end drives them, written once:
// the Qt and Win32 windows through Form1, the command line directly.  A
// scan reads the source folder a text names into a file list; a copy run
// copies that list into the folder another text names, then words what
// happened in one closing message and ends the command.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "copy/copy_front_end.h"
#include "copy/copy_run.h"
#include "copy/copy_workers.h"
#include "form/user_texts.h"
#include "fsys/file_system.h"
#include "journal/journals.h"
#include "scan/folder_walk.h"
#include "scan/scan_front_end.h"

namespace tolvane::form {

// What a scan did: the folder its text named (none: no walk), the walk's
// result, and why nothing was read when that is what happened.
struct ScanOutcome {
  std::optional<std::string> folder;
  scan::ScanResult result;
  std::optional<NothingRead> nothing_read;
};

// Why the scan of `source_text` read nothing, if that is what happened: no
// walk (`walked` false), or a walk whose start folder does not exist.
std::optional<NothingRead> nothing_read(std::string_view source_text, bool walked,
                                        const scan::ScanResult& result);

// Walks the folder `source_text` (untrimmed) names into `front_end`'s file
// list; no walk when the text names no folder.  `walk_starting` runs just
// before a walk, so that a window can refuse presses for its length.
ScanOutcome scan_source(std::string_view source_text, fsys::FileSystem& file_system,
                        scan::ScanFrontEnd& front_end,
                        scan::DottedFolders dotted = scan::DottedFolders::left_out,
                        const std::function<void()>& walk_starting = {});

// A copy run's front end as the windows and the command line show it: the
// run's progress as the progress line (its percentage measured against
// progress_max()), the closing message, and the end of the command.
class CopyWindow : public copy::CopyFrontEnd {
 public:
  // The total the percentage is measured against: the bar's Max, which the
  // scan set to the count it found.
  virtual float progress_max() = 0;
  // Sets the bar's value to `value` and the progress line to `caption`.
  virtual void set_progress(int value, std::string_view caption) = 0;
  // The same, drawn at once.
  virtual void set_progress_now(int value, std::string_view caption) {
    set_progress(value, caption);
  }
  // The closing message box: title "Tolvane", one OK button, `text`; a
  // warning icon when `warning` is set, otherwise no icon.  Modal.
  virtual void show_report(std::string_view text, bool warning) = 0;
  // After a copy command, run or not: the bar back to 0 and the copy
  // button disabled.
  virtual void end_copy_command() = 0;
  // Where the run keeps its journal; none keeps none (a plan, a test).
  virtual journal::Journals* journals() { return nullptr; }
  // The folders of the destination's path that the front end made for this
  // run (asked, or told by the command line), outermost first: the journal
  // keeps them with the run's own, so that undo takes them away too.
  virtual std::vector<std::string> destination_folders_made() { return {}; }

  // copy::CopyFrontEnd, worded here once for every front end.
  std::string_view set_aside_folder_name() final { return form::set_aside_folder_name; }
  void progress(std::size_t index) final;
  void flushing(std::size_t index) final;
};

// Copies every entry of `window` into `destination` (a folder path ending in
// the separator), as copy::copy_entries does, then shows the closing message.
copy::CopyReport copy_folder(const std::string& destination, fsys::FileSystem& file_system,
                             CopyWindow& window,
                             std::size_t workers = copy::default_copy_workers());

// The copy command: copies into the folder that `destination_text`
// (untrimmed) names, unless it is empty or already ends in the separator;
// then, in every case, window.end_copy_command().  Returns the report of
// the run, or nothing when no run took place.
std::optional<copy::CopyReport> run_copy_command(
    std::string_view destination_text, fsys::FileSystem& file_system, CopyWindow& window,
    std::size_t workers = copy::default_copy_workers());

}  // namespace tolvane::form
