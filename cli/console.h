// What the command line asks of its platform; posix_console.cpp and
// win32_console.cpp answer it, CMake picks one.
#pragma once

namespace tolvane::cli {

// True when standard error goes to a terminal (progress is shown only there).
bool error_stream_is_terminal();

// Prepares the console for UTF-8 output (a no-op where it always is).
void use_utf8_console();

}  // namespace tolvane::cli
