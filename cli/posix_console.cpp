// The console and the writability test on POSIX.
#include <unistd.h>

#include "cli/console.h"

namespace tolvane::cli {

bool error_stream_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

void use_utf8_console() {}

bool folder_writable(const std::string& folder) {
  // access() answers for the real user, as the copies will be made; a
  // read-only mount answers EROFS even to root.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace tolvane::cli
