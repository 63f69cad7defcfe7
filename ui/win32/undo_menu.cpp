// The menu is made each time it is shown: it has one item, and its state
// follows the journal at that moment.
#include "ui/win32/undo_menu.h"

#include <string>

#include "app/undo_texts.h"
#include "fsys/win32/path.h"

namespace tolvane::win32 {

bool choose_from_undo_menu(HWND owner, LPARAM lparam, bool enabled) {
  POINT where{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (lparam == -1) {
    RECT box{};
    HWND focus = GetFocus();
    GetWindowRect(focus != nullptr && IsChild(owner, focus) ? focus : owner, &box);
    where = {box.left + 8, box.top + 8};
  }
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return false;
  const std::wstring item =
      fsys::win32::to_utf16(std::string(app::undo_item) + "\t" + std::string(app::undo_keys));
  AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), undo_command_id, item.c_str());
  const int chosen = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, where.x, where.y, 0, owner, nullptr));
  DestroyMenu(menu);
  return chosen == undo_command_id;
}

bool is_undo_key(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != 'Z') return false;
  if ((GetKeyState(VK_CONTROL) & 0x8000) == 0 || (GetKeyState(VK_MENU) & 0x8000) != 0) {
    return false;
  }
  wchar_t kind[16] = {};
  GetClassNameW(message.hwnd, kind, 16);
  return std::wstring(kind) != L"Edit";
}

}  // namespace tolvane::win32
