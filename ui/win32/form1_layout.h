// Form1's controls as the Win32 window creates them: control id, window
// class, style and place in twips, in tab order (the order of creation).
#pragma once

#include <array>

#include "form/form1_controls.h"
#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The client area, in twips (1440 twips make one inch).
inline constexpr int form_width_twips = 7440;
inline constexpr int form_height_twips = 4440;

struct ControlLayout {
  form::Control control;
  int id;
  const wchar_t* window_class;
  DWORD style;  // beside WS_CHILD
  DWORD ex_style;
  int left, top, width, height;  // twips
};

// Every control but the window itself, in tab order.
extern const std::array<ControlLayout, 17> form1_layout;

// The control id of `control`; 0 for the window itself.
int control_id(form::Control control);

// `twips` in pixels at `dpi` dots per inch.
inline int twips_to_pixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

}  // namespace tolvane::win32
