// The console on Windows: its code page, and Ctrl-C.
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "cli/console.h"

namespace tolvane::cli {
namespace {

app::StopRequest* stop_request = nullptr;
std::atomic<bool> stopping{false};

// Called on a thread of its own.  FALSE hands the event on to the default
// handler, which ends the process.
BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (stopping.exchange(true) || !stop_request->request()) return FALSE;
  return TRUE;
}

}  // namespace

bool error_stream_is_terminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void use_utf8_console() {
  // Paths and messages are UTF-8; the console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
}

void catch_stop_keys(app::StopRequest& stop) {
  stop_request = &stop;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

// The exit status says it: Windows has no signal to end by.
void end_as_stopped() {}

}  // namespace tolvane::cli
