// A Win32 file's identity as a run's journal records it.  Windows only.
#pragma once

#include <optional>
#include <string>

#include "fsys/kept_file.h"

namespace tolvane::fsys::win32 {

// The identity of the ordinary file at `path` (long form); nothing when
// there is none.  The file's number is kept only where the volume keeps it
// (NTFS, ReFS): FAT and exFAT make one up.
std::optional<FileIdentity> identity_at(const std::wstring& path);

}  // namespace tolvane::fsys::win32
