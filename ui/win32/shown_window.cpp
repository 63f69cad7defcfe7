// A tooltip or a message box is a window of its own class, owned by the
// thread that made it: the first visible one is the one on the screen.
#include "ui/win32/shown_window.h"

#include <cwchar>

namespace tolvane::win32 {

HWND shown_window_of_class(DWORD thread, const wchar_t* class_name) {
  struct Search {
    const wchar_t* class_name;
    HWND found = nullptr;
  } search{class_name};
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM lparam) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(lparam);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (_wcsicmp(name, wanted.class_name) == 0 && IsWindowVisible(window)) {
          wanted.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND shown_tooltip() { return shown_window_of_class(GetCurrentThreadId(), TOOLTIPS_CLASSW); }

}  // namespace tolvane::win32
