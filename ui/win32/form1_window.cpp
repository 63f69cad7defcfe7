// Form1's window: the window class, the controls and their layout at the
// window's DPI, and the routing of the controls' events to the form.
#include "ui/win32/form1_window.h"

#include <algorithm>

#include "fsys/win32/path.h"
#include "ui/win32/context_menu.h"
#include "ui/win32/described_label.h"
#include "ui/win32/dpi.h"
#include "ui/win32/folder_drop.h"
#include "ui/win32/form1_layout.h"
#include "ui/win32/message_pump.h"

namespace tolvane::win32 {
namespace {

using form::Control;

constexpr wchar_t window_class_name[] = L"TolvaneForm1";
// A fixed frame: the layout has one size.
constexpr DWORD window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

void register_window_class(WNDPROC procedure) {
  static const bool registered = [procedure] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance();
    window_class.hIcon = LoadIconW(instance(), L"IDI_ICON1");
    window_class.hIconSm = static_cast<HICON>(
        LoadImageW(instance(), L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = window_class_name;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

int line_height(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return metrics.tmHeight;
}

RECT pixel_rect(const form::ControlPlace& place, UINT dpi) {
  const int left = twips_to_pixels(place.left, dpi);
  const int top = twips_to_pixels(place.top, dpi);
  return RECT{left, top, left + twips_to_pixels(place.width, dpi),
              top + twips_to_pixels(place.height, dpi)};
}

}  // namespace

Form1Window::Form1Window(std::unique_ptr<fsys::FileSystem> file_system,
                         std::unique_ptr<Taskbar> taskbar)
    : session_(std::move(file_system)), taskbar_(std::move(taskbar)) {
  register_window_class(&Form1Window::window_procedure);
  CreateWindowExW(0, window_class_name, L"", window_style, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance(), this);
  if (window_ == nullptr) return;
  controls_[static_cast<std::size_t>(Control::Form1)] = window_;
  create_controls();
  lay_out(window_dpi(window_), nullptr);
  form_ = std::make_unique<form::Form1>(static_cast<form::Form1Controls&>(*this), session_);
  form_->Form_Load();
  accept_folder_drops({control(Control::Text1), control(Control::Text2)});
}

Form1Window::~Form1Window() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

HWND Form1Window::control(Control which) const {
  return controls_[static_cast<std::size_t>(which)];
}

void Form1Window::create_controls() {
  // Created in tab order: the dialog keyboard interface follows it.
  for (std::size_t row = 0; row < native_controls.size(); ++row) {
    const NativeControl& native = native_controls[row];
    const form::ControlPlace& place = form::form1_layout[row];
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | native.style;
    if (place.tab_stop) style |= WS_TABSTOP;
    if (native.control != Control::List2) style |= WS_VISIBLE;
    HWND child = CreateWindowExW(native.ex_style, native.window_class,
                                 fsys::win32::to_utf16(place.caption).c_str(), style, 0, 0, 0, 0,
                                 window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(native.id)),
                                 instance(), nullptr);
    controls_[static_cast<std::size_t>(native.control)] = child;
  }
  // Check1 sits over the end of Label8's line; it must be drawn above the
  // label.  Neither moves in the tab order: Label8 takes no focus.
  SetWindowPos(control(Control::Label8), control(Control::Check1), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  for (Control list : {Control::List1, Control::List2}) {
    HWND view = control(list);
    ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(view, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(control(Control::ProgressBar1), PBM_SETRANGE32, 0, 100);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance(), nullptr);
  // A width limit makes the tooltip break its text at each "\n" (one folder
  // a line); the screen's width never cuts a long path short.
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  // A list of folders takes longer to read than the usual five seconds.
  SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
  describe_label(control(Control::Label2),
                 &descriptions_[static_cast<std::size_t>(Control::Label2)]);
}

void Form1Window::lay_out(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  LOGFONTW font = window_font(dpi);
  HFONT old_font = font_;
  font_ = CreateFontIndirectW(&font);
  // The labels are one line of 255 twips: a face with tall ascent and
  // descent gets the size whose line fits them.
  const int label_height = twips_to_pixels(255, dpi);
  if (line_height(font_) > label_height) {
    DeleteObject(font_);
    font.lfHeight = label_height;  // positive: the whole line, not the letters
    font_ = CreateFontIndirectW(&font);
  }

  const SIZE client{twips_to_pixels(form::form_width_twips, dpi),
                    twips_to_pixels(form::form_height_twips, dpi)};
  const SIZE outer = window_size_for_client(client, window_style, 0, dpi);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (suggested == nullptr) flags |= SWP_NOMOVE;
  SetWindowPos(window_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
               outer.cx, outer.cy, flags);
  // Frames differ from what the system computes for them now and then (other
  // themes, other window managers): the client area is what must be exact.
  RECT actual;
  GetClientRect(window_, &actual);
  if (actual.right != client.cx || actual.bottom != client.cy) {
    SetWindowPos(window_, nullptr, 0, 0, outer.cx + client.cx - actual.right,
                 outer.cy + client.cy - actual.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }

  for (const form::ControlPlace& place : form::form1_layout) {
    HWND child = control(place.control);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    const RECT where = pixel_rect(place, dpi);
    if (place.control == Control::Combo1) {
      place_combo(child, where);
    } else {
      MoveWindow(child, where.left, where.top, where.right - where.left, where.bottom - where.top,
                 FALSE);
    }
  }
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  set_list_column_width();
  InvalidateRect(window_, nullptr, TRUE);
  if (old_font != nullptr) DeleteObject(old_font);
}

void Form1Window::place_combo(HWND combo, RECT where) {
  const int height = where.bottom - where.top;
  // A drop-down combo box's height includes its open list; the closed box
  // takes the height of its selection field, which is set to fit the layout
  // as far as the font allows (the system keeps the field at least one line
  // of text high).
  const int item_height = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  MoveWindow(combo, where.left, where.top, where.right - where.left, height + 10 * item_height,
             FALSE);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT closed;
    GetWindowRect(combo, &closed);
    const int difference = height - (closed.bottom - closed.top);
    if (difference == 0) break;
    const auto field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, WPARAM(-1), 0));
    SendMessageW(combo, CB_SETITEMHEIGHT, WPARAM(-1), field + difference);
  }
}

void Form1Window::set_list_column_width() {
  for (Control list : {Control::List1, Control::List2}) {
    HWND view = control(list);
    RECT client;
    GetClientRect(view, &client);
    int width = client.right;
    if (files_.size() > 0) {
      // Measured once per batch of rows, on the longest path: wide enough to
      // scroll to the end of any row.
      const std::wstring longest = fsys::win32::to_utf16(
          list == Control::List1 ? files_.path(longest_path_) : files_.tag(longest_path_));
      HDC context = GetDC(view);
      HGDIOBJ previous = SelectObject(context, font_);
      SIZE extent{};
      GetTextExtentPoint32W(context, longest.c_str(), static_cast<int>(longest.size()), &extent);
      SelectObject(context, previous);
      ReleaseDC(view, context);
      width = std::max(width, static_cast<int>(extent.cx) + twips_to_pixels(240, dpi_));
    }
    SendMessageW(view, LVM_SETCOLUMNWIDTH, 0, width);
  }
}

void Form1Window::show_plan(app::CopyPlan plan) {
  if (plan_window_ == nullptr || plan_window_->handle() == nullptr) {
    plan_window_ = std::make_unique<PlanWindow>(window_);
  }
  plan_window_->show_plan(std::move(plan));
}

int Form1Window::run_message_loop() {
  quit_when_destroyed_ = true;
  if (window_ == nullptr) return 1;
  return win32::run_message_loop(window_);
}

LRESULT CALLBACK Form1Window::window_procedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self->controls_.fill(nullptr);
    if (self->quit_when_destroyed_) PostQuitMessage(0);
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->handle_message(message, wparam, lparam);
}

LRESULT Form1Window::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CONTEXTMENU:
      // Right-click, Shift+F10 or the menu key anywhere but in a text box,
      // which keeps its own menu.
      if (form_ != nullptr) {
        on_command(choose_from_context_menu(window_, lparam, form_->undo_available(),
                                            form_->preview_available()),
                   0);
      }
      return 0;
    case WM_NOTIFY:
      return on_notify(*reinterpret_cast<NMHDR*>(lparam));
    case WM_CLOSE:
      // During a scan the scan stops and the window closes when it returns;
      // during a copy run the form asks whether to stop it.
      if (form_ == nullptr || form_->close_requested()) DestroyWindow(window_);
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the focus leaves with the window and comes back to
      // where it was, or to the first control in tab order.
      if (LOWORD(wparam) == WA_INACTIVE) {
        focus_before_deactivation_ = GetFocus();
      } else {
        HWND target = focus_before_deactivation_;
        if (target == nullptr || !IsChild(window_, target)) target = control(Control::Command1);
        SetFocus(target);
      }
      return 0;
    case WM_DPICHANGED:
      lay_out(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

void Form1Window::on_command(int id, int code) {
  if (form_ == nullptr) return;
  if (id == undo_command_id) {
    // Ctrl+Z stands for the menu item, and does nothing while it is greyed.
    if (form_->undo_available()) form_->Undo_Click();
  } else if (id == preview_command_id) {
    // Ctrl+P likewise.
    if (form_->preview_available()) form_->Preview_Click();
  } else if (id == IDCANCEL) {
    // Escape, as the dialog's keyboard handling and the keep-alive pass it.
    form_->Escape_Press();
  } else if (id == control_id(Control::Text2) && code == EN_CHANGE) {
    form_->Text2_Change();
  } else if (id == control_id(Control::Command1) && code == BN_CLICKED) {
    form_->Command1_Click();
  } else if (id == control_id(Control::Command2) && code == BN_CLICKED) {
    form_->Command2_Click();
  } else if (id == control_id(Control::Combo1) && code == CBN_SELCHANGE) {
    form_->Combo1_Click();
  }
}

LRESULT Form1Window::on_notify(NMHDR& header) {
  const bool list1 = header.hwndFrom == control(Control::List1);
  const bool list2 = header.hwndFrom == control(Control::List2);
  if ((!list1 && !list2) || header.code != LVN_GETDISPINFOW) return 0;
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 ||
      static_cast<std::size_t>(item.iItem) >= files_.size()) {
    return 0;
  }
  const auto index = static_cast<std::size_t>(item.iItem);
  row_text_ = fsys::win32::to_utf16(list1 ? files_.path(index) : files_.tag(index));
  // The list view reads the text from here; it stays until the next row.
  item.pszText = row_text_.data();
  return 0;
}

}  // namespace tolvane::win32
