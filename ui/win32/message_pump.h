// The window's message loops: the program's own, the full yield a scan's
// listing takes, and the keep-alive of a walk or a copy run, which answers
// the window system but lets no user input through.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// Takes and dispatches messages, with `dialog`'s keyboard navigation, until
// WM_QUIT; returns its exit code.
int run_message_loop(HWND dialog);

// Dispatches every message waiting now, input included.
void process_pending_messages(HWND dialog);

// Dispatches what is waiting now except user input, which is dropped:
// painting, timers, the frame's messages (moving, minimising, closing) and
// the window system's own are handled; keys, pointer clicks, drops, and
// clicks and commands posted by other programs are discarded.  Escape is
// handed to its window as a dialog's loop hands it on, WM_COMMAND IDCANCEL,
// for the window to ask whether to stop the run.
void process_window_system_messages();

// True for the messages process_window_system_messages drops.
bool is_user_input(const MSG& message);

}  // namespace tolvane::win32
