// Form1's controls as the Win32 window creates them: for each row of the
// form's layout table (form/form1_layout.h), the control id, window class
// and style of the native control that renders it.
#pragma once

#include <array>

#include "form/form1_layout.h"
#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

struct NativeControl {
  form::Control control;
  int id;
  const wchar_t* window_class;
  DWORD style;  // beside WS_CHILD, and WS_TABSTOP for the table's tab stops
  DWORD ex_style;
};

// Row for row the controls of form::form1_layout, in the same (tab) order.
extern const std::array<NativeControl, form::form1_layout.size()> native_controls;

// The control id of `control`; 0 for the window itself.
int control_id(form::Control control);

// `twips` in pixels at `dpi` dots per inch.
inline int twips_to_pixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

}  // namespace tolvane::win32
