// What the command line asks of its platform; posix_console.cpp and
// win32_console.cpp answer it, CMake picks one.
#pragma once

#include <string>

namespace tolvane::cli {

// True when standard error goes to a terminal (progress is shown only there).
bool error_stream_is_terminal();

// Prepares the console for UTF-8 output (a no-op where it always is).
void use_utf8_console();

// True when a file can be created in `folder` (a folder path ending in the
// separator) by this process now.
bool folder_writable(const std::string& folder);

// True when `name` is short enough to stand in `folder` (which may not exist
// yet, when it is one the plan would make).
bool name_fits(const std::string& folder, const std::string& name);

}  // namespace tolvane::cli
