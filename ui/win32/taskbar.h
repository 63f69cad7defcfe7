// The window's button on the Windows taskbar: a copy run's progress drawn
// across it, and a flash that asks the user to come back.  Behind a small
// interface so that the window's tests can record the calls: under Wine the
// taskbar is a stub that shows nothing.
#pragma once

#include <memory>

#include "form/form1_controls.h"
#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

class Taskbar {
 public:
  virtual ~Taskbar() = default;
  // `value` of `max` across `window`'s button, green or red by `state`;
  // TaskProgress::none takes the progress away.
  virtual void show_progress(HWND window, form::TaskProgress state, int value, int max) = 0;
  // Flashes `window`'s button (and caption) until the window comes to the
  // front.
  virtual void flash(HWND window) = 0;
};

// The shell's ITaskbarList3 and FlashWindowEx; progress does nothing where
// the shell offers no taskbar list.
std::unique_ptr<Taskbar> make_windows_taskbar();

}  // namespace tolvane::win32
