// The window's context menu, "撤销上次拷贝" and "预览拷贝…", and the keys that
// stand for them, Ctrl+Z and Ctrl+P.  A Win32 popup menu reaches screen
// readers through MSAA as a menu with its menu items.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The commands the items and their keys send to the window (WM_COMMAND).
inline constexpr int undo_command_id = 0x7401;
inline constexpr int preview_command_id = 0x7402;

// Shows the menu for WM_CONTEXTMENU's `lparam` (a screen point, or -1 from
// Shift+F10 or the menu key: then under the focused control), each item
// greyed unless enabled; the command of the item the user chose, or 0.
int choose_from_context_menu(HWND owner, LPARAM lparam, bool undo_enabled, bool preview_enabled);

// True for Ctrl+Z pressed outside a text box, which keeps its own Ctrl+Z
// for the typing.
bool is_undo_key(const MSG& message);
// True for Ctrl+P, wherever it is pressed.
bool is_preview_key(const MSG& message);

}  // namespace tolvane::win32
