// Finds the windows the program shows on its own, a tooltip or a message
// box, for the programs that picture or test the window; the window itself
// never looks for them, so the program tolvane.exe does not link this.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The first visible window of class `class_name` (compared regardless of
// letter case) that `thread` owns; null when none shows.
HWND shown_window_of_class(DWORD thread, const wchar_t* class_name);

// The visible tooltip window of the calling thread; null when none shows.
HWND shown_tooltip();

}  // namespace tolvane::win32
