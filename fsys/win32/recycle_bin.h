// The Recycle Bin on Win32: moving one file there so that the user can
// restore it, and never deleting it for good when the bin cannot take it.
#pragma once

#include <string>
#include <system_error>

namespace tolvane::fsys::win32 {

// Moves the file at `path` (long form, \\?\) into the Recycle Bin.  On
// failure it is where it was, and the error is in trash_category(); EXDEV
// there means the volume has no bin that takes it.
std::error_code recycle(const std::wstring& path);

}  // namespace tolvane::fsys::win32
