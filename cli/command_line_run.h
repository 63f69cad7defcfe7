// The whole command: arguments in, outcome out, through the same session as
// the window.  Kept apart from main so the tests run it in process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/run_verdict.h"
#include "fsys/file_system.h"
#include "fsys/restorer.h"

namespace tolvane::cli {

// The exit statuses, as the session's verdict gives them.
using app::exit_all_copied;
using app::exit_refused;
// Entries failed, the last flush failed, or a folder could not be read.
inline constexpr int exit_entries_failed = app::exit_incomplete;

// Runs `tolvane-cli` with `arguments` (UTF-8, without the program's name),
// writing results to `out` and messages and progress to `err`; progress
// only when `err_is_terminal`.  Returns the exit status.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        bool err_is_terminal);
// The same over `disk` instead of the platform's own file system, for a
// test to put a failing device under the command.
int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, std::ostream& out,
        std::ostream& err, bool err_is_terminal);
// The same with `restorer` under the journal and undo, for a test to fail a
// journal write or a restore.
int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, fsys::Restorer& restorer,
        std::ostream& out, std::ostream& err, bool err_is_terminal);

}  // namespace tolvane::cli
