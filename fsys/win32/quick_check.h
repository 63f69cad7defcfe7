// The quick check on Windows: a file's size and last write time as the
// system reports them, and the rule that takes a target for its source's
// copy.  Windows only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tolvane::fsys::win32 {

// Size and last write time, or nothing when no file of that path exists.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> file_data(const std::wstring& path);

// Rsync's quick check: the same size and last write time, that time as the
// target's volume keeps it.
bool looks_unchanged(const WIN32_FILE_ATTRIBUTE_DATA& existing,
                     const WIN32_FILE_ATTRIBUTE_DATA& source);

}  // namespace tolvane::fsys::win32
