// A list view as screen readers read it row by row: each row one item named
// by the whole row, where the system's own object names a row by its first
// column alone.  Windows only.
#pragma once

#include <string>

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The rows a list shows, as the window that fills it words them.
class WholeRows {
 public:
  virtual ~WholeRows() = default;
  virtual int row_count() const = 0;
  // Row `row` read whole: every cell that says something, in order.
  virtual std::wstring row_text(int row) const = 0;
};

// From now on, assistive tools that ask `list` for its client object get the
// system's object for it with `rows`' count and words for its items (each a
// list item, its state and place the list view's own).  `rows` must outlive
// the list.
void read_rows_whole(HWND list, const WholeRows* rows);

}  // namespace tolvane::win32
