// The controls' side of Form1's behaviour: each call of form::Form1Controls
// done with a native control.  Texts cross from UTF-8 to UTF-16 here.

#include "fsys/win32/path.h"
#include "ui/win32/form1_window.h"
#include "ui/win32/message_pump.h"

namespace tolvane::win32 {
namespace {

using form::Control;

std::string window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  // A text holding a lone surrogate names no folder and no extension a file
  // could have; it reads as empty, which starts nothing.
  return fsys::win32::to_utf8(text).value_or(std::string());
}

void set_window_text(HWND window, std::string_view text) {
  SetWindowTextW(window, fsys::win32::to_utf16(text).c_str());
}

}  // namespace

void Form1Window::set_caption(Control which, std::string_view text) {
  set_window_text(control(which), text);
}

std::string Form1Window::text(Control which) { return window_text(control(which)); }

void Form1Window::set_text(Control which, std::string_view text) {
  set_window_text(control(which), text);
}

void Form1Window::set_enabled(Control which, bool enabled) {
  EnableWindow(control(which), enabled ? TRUE : FALSE);
}

void Form1Window::set_description(Control which, std::string_view text) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control(which));
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // The same text for a screen reader (described_label) as for the pointer.
  std::wstring& description = descriptions_[static_cast<std::size_t>(which)];
  description = fsys::win32::to_utf16(text);
  if (text.empty()) return;
  tool.lpszText = description.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form1Window::add_combo_item(std::string_view text) {
  SendMessageW(control(Control::Combo1), CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(fsys::win32::to_utf16(text).c_str()));
}

void Form1Window::set_combo_index(int index) {
  SendMessageW(control(Control::Combo1), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // A selection made in code raises the click handler, as a user's does.
  form_->Combo1_Click();
}

int Form1Window::combo_index() {
  return static_cast<int>(SendMessageW(control(Control::Combo1), CB_GETCURSEL, 0, 0));
}

std::string Form1Window::combo_item(int index) {
  HWND combo = control(Control::Combo1);
  const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<std::size_t>(length));
  return fsys::win32::to_utf8(item).value_or(std::string());
}

std::int16_t Form1Window::check_value() {
  return SendMessageW(control(Control::Check1), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Form1Window::set_check_value(std::int16_t value) {
  SendMessageW(control(Control::Check1), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Form1Window::clear_lists() {
  files_.clear();
  rows_shown_ = 0;
  longest_path_ = 0;
  for (Control list : {Control::List1, Control::List2}) {
    SendMessageW(control(list), LVM_SETITEMCOUNT, 0, 0);
  }
  set_list_column_width();
}

void Form1Window::append_to_lists(std::string_view path, std::string_view tag) {
  files_.append(path, tag);
  if (path.size() > files_.path(longest_path_).size()) longest_path_ = files_.size() - 1;
}

void Form1Window::show_new_rows() {
  if (rows_shown_ == files_.size()) return;
  rows_shown_ = files_.size();
  for (Control list : {Control::List1, Control::List2}) {
    SendMessageW(control(list), LVM_SETITEMCOUNT, rows_shown_,
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  }
  set_list_column_width();
}

const scan::FileList& Form1Window::lists() { return files_; }

void Form1Window::show_progress(int min, int max, int value) {
  HWND bar = control(Control::ProgressBar1);
  SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(min), max);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void Form1Window::show_message(std::string_view text, bool warning) {
  // Whatever the run last set is on the screen before the message.
  UpdateWindow(control(Control::ProgressBar1));
  UpdateWindow(control(Control::Label6));
  MessageBoxW(window_, fsys::win32::to_utf16(text).c_str(), L"Tolvane",
              MB_OK | (warning ? MB_ICONWARNING : 0));
}

bool Form1Window::ask_yes_no(std::string_view text) {
  // The system's own buttons, in the system's language.
  return MessageBoxW(window_, fsys::win32::to_utf16(text).c_str(), L"Tolvane",
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

bool Form1Window::has_focus(Control which) {
  HWND focus = GetFocus();
  HWND target = control(which);
  // A combo box's focus is in its edit field.
  return focus != nullptr && (focus == target || IsChild(target, focus));
}

void Form1Window::set_focus(Control which) { SetFocus(control(which)); }

std::uintptr_t Form1Window::focus_mark() { return reinterpret_cast<std::uintptr_t>(GetFocus()); }

void Form1Window::process_events() { process_pending_messages(window_); }

void Form1Window::keep_alive() { process_window_system_messages(); }

void Form1Window::close_window() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void Form1Window::show_task_progress(form::TaskProgress state, int value, int max) {
  if (window_ != nullptr) taskbar_->show_progress(window_, state, value, max);
}

void Form1Window::run_ended() {
  // Only a user who has gone to another window needs calling back.
  if (window_ != nullptr && GetForegroundWindow() != window_) taskbar_->flash(window_);
}

}  // namespace tolvane::win32
