// Copying a file's bytes and times from one open file into another.
#pragma once

#include <sys/stat.h>

#include <system_error>

namespace tolvane::fsys::posix {

// Every byte of `in` from its start, then the modification time of
// `source` (what fstat said of `in`), into `out`, which nobody sees yet.
// The in-kernel copy stops at the size `source` gives, when it gives one: a
// file that grows meanwhile is copied as it was when it was opened.
std::error_code fill(int in, int out, const struct stat& source);

}  // namespace tolvane::fsys::posix
