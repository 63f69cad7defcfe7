// What a folder allows this process before anything is written in it: the
// checks that let a run refuse a destination it could not fill, and a plan
// foresee a name too long.  Asked of the system itself, not of a
// FileSystem, so only for the real disk.  posix/ and win32/ answer it.
#pragma once

#include <string>

namespace tolvane::fsys {

// True when a file can be created in `folder` (a folder path ending in the
// separator) by this process now.
bool folder_writable(const std::string& folder);

// True when `name` is short enough to stand in `folder` (which may not exist
// yet, when it is one a plan would make).
bool name_fits(const std::string& folder, const std::string& name);

}  // namespace tolvane::fsys
