// Finds the tooltip the window shows, for the programs that picture or test
// the window; the window itself only creates its tooltip and never looks
// for it, so the program tolvane.exe does not link this.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The visible tooltip window of the calling thread; null when none shows.
HWND shown_tooltip();

}  // namespace tolvane::win32
