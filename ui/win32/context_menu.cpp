// The menu is made each time it is shown: its items' states follow the
// journal and the controls at that moment.
#include "ui/win32/context_menu.h"

#include <string>
#include <string_view>

#include "app/plan_texts.h"
#include "app/undo_texts.h"
#include "fsys/win32/path.h"

namespace tolvane::win32 {
namespace {

void append_item(HMENU menu, int id, std::string_view text, std::string_view keys, bool enabled) {
  const std::wstring item = fsys::win32::to_utf16(std::string(text) + "\t" + std::string(keys));
  AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(id),
              item.c_str());
}

// Ctrl held, Alt not: AltGr on many keyboards is both.
bool control_key_down() {
  return (GetKeyState(VK_CONTROL) & 0x8000) != 0 && (GetKeyState(VK_MENU) & 0x8000) == 0;
}

}  // namespace

int choose_from_context_menu(HWND owner, LPARAM lparam, bool undo_enabled, bool preview_enabled) {
  POINT where{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (lparam == -1) {
    RECT box{};
    HWND focus = GetFocus();
    GetWindowRect(focus != nullptr && IsChild(owner, focus) ? focus : owner, &box);
    where = {box.left + 8, box.top + 8};
  }
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return 0;
  append_item(menu, undo_command_id, app::undo_item, app::undo_keys, undo_enabled);
  append_item(menu, preview_command_id, app::preview_item, app::preview_keys, preview_enabled);
  const int chosen = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, where.x, where.y, 0, owner, nullptr));
  DestroyMenu(menu);
  return chosen;
}

bool is_undo_key(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != 'Z' || !control_key_down()) return false;
  wchar_t kind[16] = {};
  GetClassNameW(message.hwnd, kind, 16);
  return std::wstring(kind) != L"Edit";
}

bool is_preview_key(const MSG& message) {
  return message.message == WM_KEYDOWN && message.wParam == 'P' && control_key_down();
}

}  // namespace tolvane::win32
