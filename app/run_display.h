// Whoever shows a copy run to the user: the Qt and Win32 windows through
// Form1, the command line on its terminal.  The run reports through it; the
// words of the progress line are put here once for all of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/user_texts.h"
#include "copy/copy_front_end.h"
#include "journal/journals.h"

namespace tolvane::app {

// A copy run's front end as the user sees it: the run's progress as the
// progress line (its percentage measured against progress_max()), the
// closing message, and the end of the command.
class RunDisplay : public copy::CopyFrontEnd {
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
  // The run's journal cannot be written, for `why`, so the run could not be
  // undone: told before its first copy; false stops it there, copying
  // nothing.
  virtual bool copy_unrecorded(std::error_code /*why*/) { return true; }
  // The journal stopped being written part way through the run (`why`):
  // told before the closing message, which says so too.
  virtual void record_cut_short(std::error_code /*why*/) {}

  // copy::CopyFrontEnd, worded here once for every front end.
  std::string_view set_aside_folder_name() final { return app::set_aside_folder_name; }
  void progress(std::size_t index) final;
  void flushing(std::size_t index) final;
};

}  // namespace tolvane::app
