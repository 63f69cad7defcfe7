// Where a replaced file is kept on a volume that has no usable trash (a USB
// stick, a network share): a visible folder at the destination root that
// holds it under its own relative path, so the user finds it by its place.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace tolvane::fsys {

// `root` (ending in the separator) + `name` (the set-aside folder's name,
// the user's word for it, made at the root when first needed) + separator.
std::string set_aside_folder(std::string_view root, std::string_view name);

// Where the old file at `target` is kept: the set-aside folder `name` of `root`
// holding `target`'s path below `root` (only its name when `target` is not
// below `root`).  With a `stamp` (a time such as "20260105-093000") it goes
// before the name's extension, and with `attempt` > 1 that number after it:
// "trip(1) 20260105-093000-2.jpg", for when the plain name is taken.
std::string set_aside_path(std::string_view root, std::string_view name, std::string_view target,
                           std::string_view stamp = {}, unsigned attempt = 1);

// The error of an old file that could not be put in the set-aside folder:
// the system's error value (errno, GetLastError()) in a category of its own,
// so that a report can say the file stayed, which compares equal to the
// system's own error as well.
const std::error_category& set_aside_category();
std::error_code set_aside_error(std::error_code system_error);

}  // namespace tolvane::fsys
