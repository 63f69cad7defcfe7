// The folder that a folder text really names, as the system resolves it:
// "." and ".." taken away and a relative text made absolute.
#pragma once

#include <optional>
#include <string>

namespace tolvane::fsys {

// The absolute path of `folder` (a folder path ending in the separator) with
// "." and ".." resolved the way the system resolves them when it opens the
// folder; nothing when the system cannot resolve it (a folder that is missing
// on POSIX, where links are followed).
std::optional<std::string> resolved_folder(const std::string& folder);

}  // namespace tolvane::fsys
