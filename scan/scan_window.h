// What a scan needs of the window: the extension text it reads, the file list
// it writes, and a chance for the window to process its events.  Form1
// implements it with its widgets; the tests with a plain fake.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::scan {

class ScanWindow {
 public:
  virtual ~ScanWindow() = default;

  // The text of Combo1 as it stands at this moment.
  virtual std::string extension_text() = 0;

  // Appends a file's full path to List1 and its folder tag to List2.
  virtual void append_file(std::string_view path, std::string_view tag) = 0;

  // Lets the window process its pending events (it may do so only every few
  // milliseconds).  Returns false when the window is closing: the scan then
  // stops at once.
  virtual bool yield() = 0;

  // Lets the window answer the desktop where no file is appended: between
  // folders, and while a slow folder is being read.  Presses must not start
  // anything meanwhile, as at a yield; a window may skip most of these calls.
  virtual void breathe() {}
};

}  // namespace tolvane::scan
