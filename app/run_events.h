// What a front end hears of a scan and a copy run while it goes on: the
// events only report, with the words of the progress line already put.  The
// exceptions are the extension a scan reads once per folder, because the
// window lets the user edit it while a scan goes on, and the one question a
// run may ask before it copies.
#pragma once

#include <string_view>
#include <system_error>

#include "copy/copy_events.h"
#include "scan/scan_front_end.h"

namespace tolvane::app {

// A scan's front end: the extension it reads per folder, the files it finds,
// the chances to process the window's events.
class ScanEvents : public scan::ScanFrontEnd {
 public:
  // A walk is about to start (a text that names no folder starts none): a
  // window refuses presses for its length.
  virtual void walk_starting() {}
};

// A copy run's front end as the user sees it.
class CopyEvents {
 public:
  virtual ~CopyEvents() = default;

  // The progress bar stands at `value` and the progress line reads
  // `caption`; `at_once` when the run stays in this state for a while (its
  // copies being put on the device), so that it must be shown now.  The run
  // holds the caller's thread: a window repaints now and then, never takes
  // input.
  virtual void progress(int value, std::string_view caption, bool at_once) = 0;
  // The run waits for copies made on other threads: a window may answer the
  // window system, as during progress.
  virtual void keep_alive() {}
  // Once per entry, after its copy or its failure, in list order.
  virtual void entry_done(const copy::EntryResult& /*result*/) {}
  // The run's journal cannot be written, for `why`, so the run could not be
  // undone: asked before its first copy; false copies nothing.
  virtual bool copy_unrecorded(std::error_code /*why*/) { return true; }
};

}  // namespace tolvane::app
