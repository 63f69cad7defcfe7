// An accessible description for a label: screen readers ask a window for its
// accessible object, and a static control's standard object has no
// description.  Windows only.
#pragma once

#include <string>

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// From now on, assistive tools that ask `label` for its client object get the
// system's standard object for it with `*description` as its description
// (while that is not empty).  `description` must outlive the label.
void describe_label(HWND label, const std::wstring* description);

}  // namespace tolvane::win32
