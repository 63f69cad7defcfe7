// What a copy run tells whoever shows it while it goes on: progress, each
// entry's outcome, the flush at its end, and a chance to keep a window alive.
// The events only report; the run is handed every value it plans from when
// it starts (copy_run.h) and asks nobody for a setting.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

#include "fsys/file_system.h"

namespace tolvane::copy {

struct CopyFailure;

// What became of one entry, told right after the run has dealt with it.
// The views live only for the length of the call.
struct EntryResult {
  std::size_t index = 0;
  std::string_view source;
  // The path written, or the one that failed or was refused; empty for an
  // earlier copy left out.
  std::string_view target;
  // The target's first name was taken (by a listed source or an earlier
  // copy of this run), so it took the next free number or "(k)".
  bool renumbered = false;
  // What the copy did with the target (meaningless when it failed).
  fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
  // Set when the entry was not copied.
  const CopyFailure* failure = nullptr;
  // The entry is a copy an earlier run made into this destination, left
  // out: nothing was written for it.
  bool earlier_copy = false;
  // The source of an earlier run's copy that the target held and this copy
  // replaced (a plan: will replace), because the numbering moved since that
  // run; empty otherwise.
  std::string_view replaces_copy_of;
};

class CopyEvents {
 public:
  virtual ~CopyEvents() = default;

  // Progress stands at entry `index`: about to be copied in a serial run,
  // the number of entries finished in a parallel one.  The run holds the
  // caller's thread: a window repaints a few times a second here,
  // processing paint events only, never user input.
  virtual void progress(std::size_t index) = 0;
  // Progress stands at the last entry, `index`, while the copies are put on
  // the device: a state the run stays in for a while, to be shown at once.
  virtual void flushing(std::size_t index) { progress(index); }

  // Called on the run's thread while it waits for copies made on other
  // threads, every keep_alive_interval(): a window may answer the window
  // system, as during progress, never take input.
  virtual void keep_alive() {}
  // A few dozen milliseconds, so that a 100 MiB copy does not look like a
  // hang.  Progress does not wait for it: each finished batch wakes the run.
  virtual std::chrono::milliseconds keep_alive_interval() const {
    return std::chrono::milliseconds(50);
  }

  // Called once per entry, after its copy or its failure, in list order.
  virtual void entry_done(const EntryResult& /*result*/) {}
};

}  // namespace tolvane::copy
