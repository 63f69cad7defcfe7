// The window's dots per inch and the sizes that follow from them, through
// the per-monitor functions of Windows 10 where they exist and the system
// setting before that.
#pragma once

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The DPI `window` is shown at (96 at 100 %).
UINT window_dpi(HWND window);

// The outer size of a window with `style` whose client area is `client`
// pixels at `dpi`.
SIZE window_size_for_client(SIZE client, DWORD style, DWORD ex_style, UINT dpi);

// The system's message font as it stands at `dpi`.
LOGFONTW message_font(UINT dpi);

// The windows' own font at `dpi`: the message font in 9 points of a face
// that holds Chinese on every Windows since Vista.
LOGFONTW window_font(UINT dpi);

}  // namespace tolvane::win32
