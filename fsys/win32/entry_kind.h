// Which entries of a Windows folder listing the program sees, decided from
// the attributes and reparse tag that FindFirstFileExW reports.  Windows only.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "fsys/file_system.h"

namespace tolvane::fsys::win32 {

// The kind under which an entry is listed, or nothing for an entry that is
// never listed: hidden, system, a device, "." or "..", or a folder that only
// stands for another (a junction, a mounted volume, a linked folder), which
// could lead a walk in a loop.  A folder that is a reparse point of another
// kind, such as a cloud-synchronised folder, is an ordinary folder.
std::optional<EntryKind> listed_kind(std::uint32_t attributes, std::uint32_t reparse_tag,
                                     std::wstring_view name);

}  // namespace tolvane::fsys::win32
