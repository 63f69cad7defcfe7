// Form1 as a native Win32 window: creates the controls, lays them out for the
// window's DPI and forwards their events to the form's behaviour
// (form::Form1), which it serves through form::Form1Controls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/session.h"
#include "form/form1.h"
#include "form/form1_controls.h"
#include "fsys/file_system.h"
#include "scan/file_list.h"
#include "ui/win32/plan_window.h"
#include "ui/win32/taskbar.h"
#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

class Form1Window : private form::Form1Controls {
 public:
  // Creates the window (hidden) and its controls and runs the load handler.
  // Scans and copies reach the disk through `file_system`; a copy run's
  // progress and the end of a run reach the user through `taskbar`.
  explicit Form1Window(
      std::unique_ptr<fsys::FileSystem> file_system = fsys::make_native_file_system(),
      std::unique_ptr<Taskbar> taskbar = make_windows_taskbar());
  ~Form1Window() override;
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  // Null once the window has been closed.
  HWND handle() const { return window_; }
  HWND control(form::Control which) const;
  UINT dpi() const { return dpi_; }
  form::Form1& form() { return *form_; }
  // The plan window; null until a plan has been shown.
  PlanWindow* plan_window() const { return plan_window_.get(); }
  const scan::FileList& file_list() const { return files_; }

  // Takes and dispatches messages until the window has been closed; the exit
  // code of the program.
  int run_message_loop();

 private:
  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  void create_controls();
  // Places the window and every control for `dpi`, with a font made for it.
  void lay_out(UINT dpi, const RECT* suggested);
  void place_combo(HWND combo, RECT where);
  void set_list_column_width();
  void on_command(int id, int code);
  LRESULT on_notify(NMHDR& header);

  // form::Form1Controls, in win32_controls.cpp.
  void set_caption(form::Control control, std::string_view text) override;
  std::string text(form::Control control) override;
  void set_text(form::Control control, std::string_view text) override;
  void set_enabled(form::Control control, bool enabled) override;
  void set_description(form::Control control, std::string_view text) override;
  void add_combo_item(std::string_view text) override;
  void set_combo_index(int index) override;
  int combo_index() override;
  std::string combo_item(int index) override;
  std::int16_t check_value() override;
  void set_check_value(std::int16_t value) override;
  void clear_lists() override;
  void append_to_lists(std::string_view path, std::string_view tag) override;
  void show_new_rows() override;
  const scan::FileList& lists() override;
  void show_progress(int min, int max, int value) override;
  void show_message(std::string_view text, bool warning) override;
  bool ask_yes_no(std::string_view text) override;
  bool has_focus(form::Control control) override;
  void set_focus(form::Control control) override;
  std::uintptr_t focus_mark() override;
  void process_events() override;
  void keep_alive() override;
  void close_window() override;
  void show_task_progress(form::TaskProgress state, int value, int max) override;
  void run_ended() override;
  // The menu is made when shown, its items' states asked of the form then.
  void set_undo_enabled(bool /*enabled*/) override {}
  void set_preview_enabled(bool /*enabled*/) override {}
  void show_plan(app::CopyPlan plan) override;

  app::Session session_;
  std::unique_ptr<Taskbar> taskbar_;
  HWND window_ = nullptr;
  // Indexed by form::Control; the window itself at Control::Form1.
  std::array<HWND, form::control_count> controls_{};
  HWND tooltip_ = nullptr;
  // What assistive tools read as each control's description (the tooltip's
  // text); indexed by form::Control.
  std::array<std::wstring, form::control_count> descriptions_;
  HWND focus_before_deactivation_ = nullptr;
  bool quit_when_destroyed_ = false;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;

  scan::FileList files_;
  std::size_t rows_shown_ = 0;
  std::size_t longest_path_ = 0;  // index of the path with the most characters
  std::wstring row_text_;         // the text a list view asked for last

  std::unique_ptr<form::Form1> form_;
  std::unique_ptr<PlanWindow> plan_window_;
};

}  // namespace tolvane::win32
