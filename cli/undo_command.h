// --undo DEST: undoes the last run into DEST, or with --dry-run says what
// that would do.
#pragma once

#include <ostream>

#include "cli/options.h"
#include "journal/journals.h"

namespace tolvane::cli {

// Exit status of --undo when no run into DEST is left to undo.
inline constexpr int exit_nothing_to_undo = 2;

// 0 when everything was put back (or would be), 1 when something was
// left, exit_nothing_to_undo with one line on `err` when there is no run.
int run_undo(const Options& options, journal::Journals& journals, std::ostream& out,
             std::ostream& err);

}  // namespace tolvane::cli
