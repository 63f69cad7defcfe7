// A Win32 file's identity as a run's journal records it.  Windows only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fsys/kept_file.h"

namespace tolvane::fsys::win32 {

// The volume and file index of an existing file or folder, which two paths
// share only when they name the same file (hard links and letter case
// included).
struct VolumeFileNumber {
  std::uint32_t volume;
  std::uint32_t index_high;
  std::uint32_t index_low;
  bool operator==(const VolumeFileNumber&) const = default;
};
std::optional<VolumeFileNumber> identity_of(const std::wstring& path);

// The identity of the ordinary file at `path` (long form); nothing when
// there is none.  The file's number is kept only where the volume keeps it
// (NTFS, ReFS): FAT and exFAT make one up.
std::optional<FileIdentity> identity_at(const std::wstring& path);

}  // namespace tolvane::fsys::win32
