// The reason a failed entry gives in the closing message, in the window's
// language, with the system's own words kept beside it for the details.
#pragma once

#include <string>
#include <system_error>

namespace tolvane::copy {

// "磁盘空间不足（No space left on device）" and the like; the system's
// message alone for an error without a text of ours.  A file that could
// not be put in the trash (fsys::trash_category()) is said to be kept.
std::string failure_reason(std::error_code error);

}  // namespace tolvane::copy
