// What the command line asks of its platform; posix_console.cpp and
// win32_console.cpp answer it, CMake picks one.
#pragma once

#include "app/stop_request.h"

namespace tolvane::cli {

// True when standard error goes to a terminal (progress is shown only there).
bool error_stream_is_terminal();

// Prepares the console for UTF-8 output (a no-op where it always is).
void use_utf8_console();

// Ctrl-C (on POSIX also SIGTERM): the first, while a run listens to `stop`,
// asks it to stop; a second, or one while nothing listens, ends the program
// at once, as it would uncaught.  `stop` must live until the program ends.
void catch_stop_keys(app::StopRequest& stop);

// After a run stopped by Ctrl-C or SIGTERM and its report: ends the program
// by that signal, as shells expect of a command the user interrupted.
// Returns where the platform has no such ending (the exit status says it).
void end_as_stopped();

}  // namespace tolvane::cli
