// The plan window's class, controls, layout at its DPI, and the list view's
// rows worded by app/ as they are shown.
#include "ui/win32/plan_window.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "app/plan_texts.h"
#include "fsys/win32/path.h"
#include "ui/win32/dpi.h"

namespace tolvane::win32 {
namespace {

constexpr wchar_t window_class_name[] = L"TolvanePlan";
constexpr DWORD window_style = WS_OVERLAPPEDWINDOW;

// Sizes in pixels at 96 DPI.
constexpr int margin = 8;
constexpr int row_height = 26;
constexpr int button_width = 88;
constexpr SIZE first_client{960, 520};

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

void register_window_class(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance();
    window_class.hIcon = LoadIconW(instance(), L"IDI_ICON1");
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = window_class_name;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

void add_column(HWND list, int column, std::string_view title) {
  std::wstring text = fsys::win32::to_utf16(title);
  LVCOLUMNW header{};
  header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  header.pszText = text.data();
  header.cx = 100;
  header.iSubItem = column;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&header));
}

}  // namespace

PlanWindow::PlanWindow(HWND owner) {
  register_window_class(&PlanWindow::window_procedure);
  const std::wstring title = fsys::win32::to_utf16(app::plan_title);
  CreateWindowExW(0, window_class_name, title.c_str(), window_style, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance(), this);
  if (window_ == nullptr) return;
  create_controls();
  const UINT dpi = window_dpi(window_);
  const SIZE client{scaled(first_client.cx, dpi), scaled(first_client.cy, dpi)};
  SIZE outer = window_size_for_client(client, window_style, 0, dpi);
  // Never larger than the screen it opens on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    outer.cx = std::min<LONG>(outer.cx, (work.right - work.left) * 9 / 10);
    outer.cy = std::min<LONG>(outer.cy, (work.bottom - work.top) * 9 / 10);
  }
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  set_dpi(dpi);
}

PlanWindow::~PlanWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

void PlanWindow::create_controls() {
  const auto child = [this](const wchar_t* window_class, std::string_view text, DWORD style, int id,
                            DWORD ex_style = 0) {
    return CreateWindowExW(ex_style, window_class, fsys::win32::to_utf16(text).c_str(),
                           WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
  };
  // Created in tab order.  The summary stands before the list, so that a
  // screen reader names the list by it, as a label names its control.
  child(WC_STATICW, "", SS_LEFT | SS_NOPREFIX, summary_id);
  HWND list = child(WC_LISTVIEWW, "",
                    WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                    list_id, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(list,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  add_column(list, 0, app::plan_source_column);
  add_column(list, 1, app::plan_target_column);
  add_column(list, 2, app::plan_happening_column);
  read_rows_whole(list, this);
  child(WC_BUTTONW, app::plan_filter, WS_TABSTOP | BS_AUTOCHECKBOX, filter_id);
  child(WC_BUTTONW, app::plan_close, WS_TABSTOP | BS_PUSHBUTTON, close_id);
}

void PlanWindow::set_dpi(UINT dpi) {
  dpi_ = dpi;
  LOGFONTW font = window_font(dpi);
  HFONT old_font = font_;
  font_ = CreateFontIndirectW(&font);
  for (int id : {summary_id, list_id, filter_id, close_id}) {
    SendMessageW(control(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  lay_out();
  InvalidateRect(window_, nullptr, TRUE);
  if (old_font != nullptr) DeleteObject(old_font);
}

void PlanWindow::lay_out() {
  RECT client;
  GetClientRect(window_, &client);
  const int gap = scaled(margin, dpi_);
  const int row = scaled(row_height, dpi_);
  const int width = std::max(0, static_cast<int>(client.right) - 2 * gap);

  // The summary takes the lines its words need at this width.
  HWND summary = control(summary_id);
  const std::wstring text = [summary] {
    std::wstring words(static_cast<std::size_t>(GetWindowTextLengthW(summary)) + 1, L'\0');
    words.resize(static_cast<std::size_t>(
        GetWindowTextW(summary, words.data(), static_cast<int>(words.size()))));
    return words;
  }();
  RECT needed{0, 0, width, 0};
  HDC context = GetDC(summary);
  HGDIOBJ previous = SelectObject(context, font_);
  DrawTextW(context, text.empty() ? L" " : text.c_str(), -1, &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(context, previous);
  ReleaseDC(summary, context);
  const int summary_height = static_cast<int>(needed.bottom);

  const int bottom_row = static_cast<int>(client.bottom) - gap - row;
  const int list_top = gap + summary_height + gap;
  MoveWindow(summary, gap, gap, width, summary_height, TRUE);
  MoveWindow(control(list_id), gap, list_top, width, std::max(0, bottom_row - gap - list_top),
             TRUE);
  const int button = scaled(button_width, dpi_);
  MoveWindow(control(filter_id), gap, bottom_row, std::max(0, width - button - gap), row, TRUE);
  MoveWindow(control(close_id), gap + width - button, bottom_row, button, row, TRUE);
}

void PlanWindow::fit_columns() {
  HWND list = control(list_id);
  RECT inside;
  GetClientRect(list, &inside);
  const int width = static_cast<int>(inside.right) - scaled(24, dpi_);  // room for a scroll bar
  if (columns_fitted_ || width <= 0 || row_at(0) == nullptr) return;
  // As wide as the paths of the first rows need, within a share of the
  // list; what will happen takes the rest.  The user's own widths are kept
  // after the first plan.
  columns_fitted_ = true;
  int used = 0;
  for (const auto& [plan_column, share] : app::plan_path_column_shares) {
    const int column = static_cast<int>(plan_column);
    int needed = 0;
    for (int row = 0; row < 200 && row_at(row) != nullptr; ++row) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.iSubItem = column;
      fill_cell(item);
      needed = std::max(
          needed, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                reinterpret_cast<LPARAM>(cell_text_.c_str()))));
    }
    const int fitted = std::min(needed + scaled(16, dpi_), width * share / 100);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, column, fitted);
    used += fitted;
  }
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, std::max(width - used, scaled(120, dpi_)));
}

void PlanWindow::show_plan(app::CopyPlan plan) {
  plan_ = std::move(plan);
  SetWindowTextW(control(summary_id), fsys::win32::to_utf16(app::plan_summary_line(plan_)).c_str());
  lay_out();
  show_rows();
  fit_columns();
  if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetFocus(control(list_id));
}

void PlanWindow::show_rows() {
  const std::size_t rows = plan_.shown_count(notable_only_);
  HWND list = control(list_id);
  // A list view counts its rows in int.
  const auto count = std::min<std::size_t>(rows, std::numeric_limits<int>::max());
  SendMessageW(list, LVM_SETITEMCOUNT, count, 0);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (count > 0) {
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, 0, FALSE);
  }
  InvalidateRect(list, nullptr, TRUE);
}

int PlanWindow::row_count() const {
  return static_cast<int>(SendMessageW(control(list_id), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring PlanWindow::row_text(int row) const {
  const app::PlanRow* shown = row_at(row);
  return shown != nullptr ? fsys::win32::to_utf16(app::plan_row_text(*shown)) : std::wstring();
}

const app::PlanRow* PlanWindow::row_at(int row) const {
  return row < 0 ? nullptr : plan_.shown_row(static_cast<std::size_t>(row), notable_only_);
}

void PlanWindow::fill_cell(LVITEMW& item) {
  const app::PlanRow* row = row_at(item.iItem);
  if (!(item.mask & LVIF_TEXT) || row == nullptr) return;
  // The list view has the plan's three columns, numbered as app/ numbers them.
  const auto column = static_cast<app::PlanColumn>(std::clamp(item.iSubItem, 0, 2));
  cell_text_ = fsys::win32::to_utf16(app::plan_cell(*row, column));
  // The list view reads the text from here; it stays until the next cell.
  item.pszText = cell_text_.data();
}

LRESULT CALLBACK PlanWindow::window_procedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<PlanWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PlanWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->handle_message(message, wparam, lparam);
}

LRESULT PlanWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == close_id) {
        ShowWindow(window_, SW_HIDE);
      } else if (LOWORD(wparam) == filter_id && HIWORD(wparam) == BN_CLICKED) {
        notable_only_ = SendMessageW(control(filter_id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        show_rows();
      }
      return 0;
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lparam);
      if (header.idFrom == static_cast<UINT_PTR>(list_id) && header.code == LVN_GETDISPINFOW) {
        fill_cell(reinterpret_cast<NMLVDISPINFOW&>(header).item);
      }
      return 0;
    }
    case WM_CLOSE:
      // Kept for the next plan; the main window's end takes it with it.
      ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_SIZE:
      lay_out();
      return 0;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      set_dpi(LOWORD(wparam));
      return 0;
    }
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

}  // namespace tolvane::win32
