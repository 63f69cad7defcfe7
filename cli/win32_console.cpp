// The console on Windows.
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/console.h"

namespace tolvane::cli {

bool error_stream_is_terminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void use_utf8_console() {
  // Paths and messages are UTF-8; the console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace tolvane::cli
