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

// The absolute path `folder` (a folder path ending in the separator) names,
// without its trailing separator, as a user would write it to find it: also
// when it and folders above it do not exist yet (on POSIX the nearest
// existing folder above it resolved, the rest as written).  `folder` without
// its separator when it cannot be made absolute.
std::string absolute_folder(const std::string& folder);

}  // namespace tolvane::fsys
