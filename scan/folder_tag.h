// The folder tag: the name of the folder that holds a listed file.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::scan {

// The text after the last separator of `folder` once its own trailing
// separator is removed; empty for a root such as "/" or "C:\".  On Windows a
// drive letter before the name ("C:photos", relative to that drive's current
// folder) is not part of it.
std::string_view folder_tag(std::string_view folder);

// The tag of the folder a scan starts from: as folder_tag, except that a
// text naming its folder by "." or ".." ("." itself, "photos/..", "/.") is
// tagged with the name of the folder the system resolves it to.
std::string start_folder_tag(const std::string& folder);

}  // namespace tolvane::scan
