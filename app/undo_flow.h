// Undoing the last copy run into a folder, written once for the windows
// and the command line: the destination text read as a copy reads it, the
// run found, planned, asked about, undone with progress, its journal marked,
// and what happened worded.  Its events only report; the front ends drive
// it and show what it says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/destination.h"
#include "journal/journals.h"
#include "undo/undo_run.h"

namespace tolvane::app {

// Whoever shows an undo as it goes.
class UndoEvents {
 public:
  virtual ~UndoEvents() = default;
  // The question before undoing, the plan in numbers; true to go on.
  // Asked only by an undo that asks first (UndoMode::ask_first): one whose
  // events cannot ask declines.
  virtual bool confirm(std::string_view /*question*/) { return false; }
  // `done` of `total` steps are done (0 as the undo starts); the progress
  // line is undo_progress_caption(done, total).  After every step: a
  // window draws it a few times a second.
  virtual void progress(std::size_t done, std::size_t total) = 0;
  // While the journal is read and the plan made, before any progress: a
  // window answers the window system, never takes input.
  virtual void keep_alive() {}
};

enum class UndoMode : std::uint8_t {
  ask_first,  // the window: plan, ask, then undo
  plan_only,  // tolvane-cli --undo --dry-run
  at_once,    // tolvane-cli --undo
};

enum class UndoEnd : std::uint8_t {
  refused,          // the text names no folder: empty, or ending in a separator
  nothing_to_undo,  // no run into the folder, or its last run undone already
  declined,         // the question was answered No
  planned,          // a plan only: nothing touched
  undone,
};

struct UndoOutcome {
  UndoEnd end = UndoEnd::refused;
  std::string folder;  // the destination as the user finds it (absolute)
  // Why the text names no folder, when the undo was refused for it.
  std::optional<TextFault> text_fault;
  undo::UndoReport report;  // what was planned or done
  // The closing message: the refusal, why there is nothing to undo, the
  // plan, or what was done and left; empty after a No.
  std::string message;
  bool warning = false;  // something was refused or left
};

// Undoes the last run into the folder `destination_text` (untrimmed) names,
// as `mode` says, telling `events`; a run undone whole (or with nothing
// left to retry) is marked undone, so that it is offered no more.
UndoOutcome undo_last_copy(std::string_view destination_text, journal::Journals& journals,
                           UndoMode mode, UndoEvents& events);

}  // namespace tolvane::app
