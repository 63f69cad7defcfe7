// The plan before writing in a native window of its own: the summary of the
// counts, a list view in virtual mode (it asks for a row's words only when
// it shows that row, so 100,000 rows open as quickly as ten), a check box
// that keeps only the rows that are not plain new copies, and a button that
// closes it.  Resizable and modeless; owned by the main window, above it.
#pragma once

#include <string>

#include "app/copy_plan.h"
#include "ui/win32/whole_rows_accessible.h"
#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

class PlanWindow : private WholeRows {
 public:
  // The control ids, for the keyboard interface and the tests.
  static constexpr int summary_id = 201;
  static constexpr int list_id = 202;
  static constexpr int filter_id = 203;
  static constexpr int close_id = IDCANCEL;  // Esc closes it too

  // Creates the window, hidden, owned by `owner`.
  explicit PlanWindow(HWND owner);
  ~PlanWindow() override;
  PlanWindow(const PlanWindow&) = delete;
  PlanWindow& operator=(const PlanWindow&) = delete;

  // Shows `plan` in place of the last one, the window in front.
  void show_plan(app::CopyPlan plan);

  // Null once the window has been destroyed.
  HWND handle() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }

 private:
  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  void create_controls();
  // A font for `dpi`, and every control placed in the client area.
  void set_dpi(UINT dpi);
  void lay_out();
  // The columns' widths, once: the paths as wide as they need.
  void fit_columns();
  // The list's row count after a new plan or a change of the filter.
  void show_rows();
  const app::PlanRow* row_at(int row) const;
  // WholeRows: the rows shown, read whole by screen readers.
  int row_count() const override;
  std::wstring row_text(int row) const override;
  // The words of a cell, for the list view's LVN_GETDISPINFO.
  void fill_cell(LVITEMW& item);

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;
  bool columns_fitted_ = false;
  app::CopyPlan plan_;
  bool notable_only_ = false;
  std::wstring cell_text_;  // the text the list view asked for last
};

}  // namespace tolvane::win32
