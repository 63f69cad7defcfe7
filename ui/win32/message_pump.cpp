// A WM_QUIT met inside a handler's yield is posted again, so that the
// program's own loop still ends once the handler has returned.
#include "ui/win32/message_pump.h"

#include "ui/win32/context_menu.h"

namespace tolvane::win32 {

int run_message_loop(HWND dialog) {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (dialog != nullptr && is_undo_key(message)) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(undo_command_id, 1), 0);
      continue;
    }
    if (dialog != nullptr && is_preview_key(message)) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(preview_command_id, 1), 0);
      continue;
    }
    // A window the dialog owns (the plan) has the same keyboard interface.
    HWND keyboard = dialog;
    if (HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        root != nullptr && dialog != nullptr && GetWindow(root, GW_OWNER) == dialog) {
      keyboard = root;
    }
    if (keyboard != nullptr && IsWindow(keyboard) && IsDialogMessageW(keyboard, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void process_pending_messages(HWND dialog) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool is_user_input(const MSG& message) {
  const UINT id = message.message;
  if (id >= WM_KEYFIRST && id <= WM_KEYLAST) return true;
  if (id >= WM_MOUSEFIRST && id <= WM_MOUSELAST) return true;
  if (id >= WM_IME_STARTCOMPOSITION && id <= WM_IME_KEYLAST) return true;
  if (id >= WM_IME_SETCONTEXT && id <= WM_IME_KEYUP) return true;
  switch (id) {
    case WM_DROPFILES:
    case WM_INPUT:
    case WM_TOUCH:
    case WM_GESTURE:
    case WM_APPCOMMAND:
    case WM_HOTKEY:
    // What another program or an assistive tool posts to press a control.
    case BM_CLICK:
    case WM_COMMAND:
    case WM_CONTEXTMENU:
      return true;
    default:
      return false;
  }
}

void process_window_system_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && message.hwnd != nullptr) {
      SendMessageW(GetAncestor(message.hwnd, GA_ROOT), WM_COMMAND, IDCANCEL, 0);
      continue;
    }
    if (is_user_input(message)) continue;
    DispatchMessageW(&message);
  }
}

}  // namespace tolvane::win32
