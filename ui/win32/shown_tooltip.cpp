// A tooltip is a window of its own class, owned by the thread that made it:
// the first visible one of this thread is the one on the screen.
#include "ui/win32/shown_tooltip.h"

#include <cwchar>

namespace tolvane::win32 {

HWND shown_tooltip() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM result) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (_wcsicmp(name, TOOLTIPS_CLASSW) == 0 && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(result) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace tolvane::win32
