// The console on POSIX.
#include <unistd.h>

#include "cli/console.h"

namespace tolvane::cli {

bool error_stream_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

void use_utf8_console() {}

}  // namespace tolvane::cli
