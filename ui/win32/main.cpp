// The program's entry: straight into the one window.
#include "ui/win32/form1_window.h"
#include "ui/win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show_command) {
  tolvane::win32::Form1Window form;
  if (form.handle() == nullptr) return 1;
  ShowWindow(form.handle(), show_command);
  UpdateWindow(form.handle());
  return form.run_message_loop();
}
