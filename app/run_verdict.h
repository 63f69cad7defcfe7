// Whether a gather went well, decided once for every front end: the window
// shows its closing message with a warning when it did not, the command line
// ends with the exit status it gives.
#pragma once

#include <cstddef>

#include "copy/copy_run.h"

namespace tolvane::app {

// The command line's exit statuses.
inline constexpr int exit_all_copied = 0;
// Entries failed, the copies may not all be on the device (the last flush
// failed), or a folder could not be read, so that its files were never
// listed: the gather is not complete.
inline constexpr int exit_incomplete = 1;
// Bad usage, or a SOURCE or DEST that cannot be used: nothing was done.
inline constexpr int exit_refused = 2;
// The user stopped the run (Ctrl-C): 128 + SIGINT, as a shell reports a
// command that Ctrl-C ended.
inline constexpr int exit_stopped = 130;

struct RunVerdict {
  // Every entry the run went through is copied (or was there already), on
  // the device, and every folder of the source was read.
  bool complete = true;
  // The user stopped the run: the entries it left were never copied.
  bool stopped = false;

  int exit_status() const {
    if (stopped) return exit_stopped;
    return complete ? exit_all_copied : exit_incomplete;
  }
};

// The verdict on a run that ended with `report`, over a list whose scan could
// not read `folders_unreadable` folders.
RunVerdict run_verdict(const copy::CopyReport& report, std::size_t folders_unreadable);

}  // namespace tolvane::app
