// What a copy run needs of its front end: the entries and settings it reads,
// and where it tells progress and each entry's outcome.  The form implements
// it for both windows and the command line; the tests with a plain fake.
// Settings are read at the moment they are used, once per entry, never
// copied beforehand.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "fsys/file_system.h"

namespace tolvane::copy {

struct CopyFailure;

// What became of one entry, told to the front end right after the run has
// dealt with it.  The views live only for the length of the call.
struct EntryResult {
  std::size_t index = 0;
  std::string_view source;
  // The path written, or the one that failed or was refused.
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
};

class CopyFrontEnd {
 public:
  virtual ~CopyFrontEnd() = default;

  // The number of entries (read once, when the run starts).
  virtual std::size_t entry_count() = 0;
  // Entry `index`'s source: a listed file's full path.
  virtual std::string source_path(std::size_t index) = 0;
  // Entry `index`'s folder tag.
  virtual std::string folder_tag(std::size_t index) = 0;

  // True in flat mode: no per-tag subfolders.
  virtual bool flat_mode() = 0;
  // The extension as it stands at this moment.
  virtual std::string extension_text() = 0;
  // The name of the destination's folder for replaced files on a volume
  // without a usable trash: a word the user reads, so the front end's.
  virtual std::string_view set_aside_folder_name() = 0;

  // Progress stands at entry `index`: about to be copied in a serial run,
  // the number of entries finished in a parallel one.  The run holds the
  // front end's thread: a window repaints a few times a second here,
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
