// Undoing the last run into a folder, as the windows and the command line
// drive it: find the run, plan, undo, and mark its journal.
#pragma once

#include <optional>
#include <string>

#include "journal/journals.h"
#include "undo/undo_run.h"

namespace tolvane::app {

// The last run into `root` (a folder path ending in the separator) when it
// can be undone: not undone yet.  `undone_already` says why there is none.
std::optional<journal::RecordedRun> run_to_undo(journal::Journals& journals,
                                                const std::string& root, bool& undone_already);

// Undoes `run` and marks it undone (a dry run only plans).
undo::UndoReport undo_last_run(journal::Journals& journals, const journal::RecordedRun& run,
                               bool dry_run);

}  // namespace tolvane::app
