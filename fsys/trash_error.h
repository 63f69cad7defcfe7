// The error of a file that could not be put in the trash.  It has a category
// of its own, so that a report can say the file was kept, and compares equal
// to the portable cause (std::errc) as well.
#pragma once

#include <system_error>

namespace tolvane::fsys {

const std::error_category& trash_category();

// `cause` (a POSIX errno value), marked as a failure to trash.  EXDEV stands
// for "no usable trash on that file system".
std::error_code trash_error(int cause);

}  // namespace tolvane::fsys
