// The reason a failed entry gives in the closing message, in the window's
// language, with the system's own words kept beside it for the details.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tolvane::copy {

// "磁盘空间不足（No space left on device）" and the like; the system's
// message alone for an error without a text of ours.  A file that could
// not be put in the trash (fsys::trash_category()) or the set-aside folder
// (fsys::set_aside_category()) is said to be kept.
std::string failure_reason(std::error_code error);

// The same for a failure on `target` (a file, or a folder ending in the
// separator): when the volume refused its last name and that name holds a
// character FAT, exFAT or NTFS cannot hold, the reason names it.
std::string failure_reason(std::error_code error, std::string_view target);

// What in the last name of `target` FAT, exFAT and NTFS refuse, worded to
// follow "名称": "中有“:”" (also ? * < > | " \), "中有控制字符U+000A",
// "以“.”结尾", "以空格结尾"; nothing when the name holds none of these.
std::optional<std::string> refused_in_name(std::string_view target);

}  // namespace tolvane::copy
