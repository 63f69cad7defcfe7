// What a scan needs of its front end: the extension it reads, the file list
// it writes, and a chance for a window to process its events.  The form
// implements it for both windows, the command line for itself; the tests
// with a plain fake.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::scan {

class ScanFrontEnd {
 public:
  virtual ~ScanFrontEnd() = default;

  // The extension as it stands at this moment.
  virtual std::string extension_text() = 0;

  // Appends a file's full path and its folder tag to the file list.
  virtual void append_file(std::string_view path, std::string_view tag) = 0;

  // Lets the front end process its pending events (it may do so only every
  // few milliseconds).  Returns false when it is closing: the scan then
  // stops at once.
  virtual bool yield() = 0;

  // Lets the front end answer the desktop where no file is appended: between
  // folders, and while a slow folder is being read.  Presses must not start
  // anything meanwhile, as at a yield; a window may skip most of these calls.
  virtual void breathe() {}
};

}  // namespace tolvane::scan
