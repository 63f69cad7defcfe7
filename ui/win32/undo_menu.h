// The window's context menu with its one item, "撤销上次拷贝", and the
// Ctrl+Z that stands for it.  A Win32 popup menu reaches screen readers
// through MSAA as a menu with a menu item.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The command the item and Ctrl+Z send to the window (WM_COMMAND).
inline constexpr int undo_command_id = 0x7401;

// Shows the menu for WM_CONTEXTMENU's `lparam` (a screen point, or -1 from
// Shift+F10 or the menu key: then under the focused control), the item
// greyed unless `enabled`; true when the user chose it.
bool choose_from_undo_menu(HWND owner, LPARAM lparam, bool enabled);

// True for Ctrl+Z pressed outside a text box, which keeps its own Ctrl+Z
// for the typing.
bool is_undo_key(const MSG& message);

}  // namespace tolvane::win32
