// --undo DEST: undoes the last run into DEST, or with --dry-run says what
// that would do.
#pragma once

#include <ostream>

#include "app/session.h"
#include "cli/options.h"

namespace tolvane::cli {

// Exit status of --undo when no run into DEST is left to undo, or DEST
// names no folder.
inline constexpr int exit_nothing_to_undo = 2;

// 0 when everything the run did was taken back (or would be), 1 when
// something was left, exit_nothing_to_undo with one line on `err` when
// there is no run; progress on `err` when `err_is_terminal`.
int run_undo(const Options& options, app::Session& session, std::ostream& out, std::ostream& err,
             bool err_is_terminal);

}  // namespace tolvane::cli
