// The per-monitor DPI functions are looked up at run time: the program also
// starts on Windows versions that lack them.
#include "ui/win32/dpi.h"

#include <cwchar>

namespace tolvane::win32 {
namespace {

template <typename Function>
Function user32_function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // GetProcAddress hands back a generic function pointer.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

UINT window_dpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

SIZE window_size_for_client(SIZE client, DWORD style, DWORD ex_style, UINT dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = user32_function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client.cx, client.cy};
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&rect, style, FALSE, ex_style, dpi)) {
    rect = RECT{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

LOGFONTW message_font(UINT dpi) {
  using SystemParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  static const auto parameters_for_dpi =
      user32_function<SystemParametersForDpiFn>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (parameters_for_dpi == nullptr ||
      !parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  }
  return metrics.lfMessageFont;
}

LOGFONTW window_font(UINT dpi) {
  // The layout was drawn for a 9-point font; every caption fits at that
  // size.  The message font supplies everything else (weight, smoothing).
  constexpr int points = 9;
  LOGFONTW font = message_font(dpi);
  font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
  font.lfWidth = 0;
  wcsncpy(font.lfFaceName, L"Microsoft YaHei UI", LF_FACESIZE - 1);
  font.lfCharSet = DEFAULT_CHARSET;
  return font;
}

}  // namespace tolvane::win32
