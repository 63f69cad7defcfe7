// Foreseeing a copy on Windows: the source opened for reading as CopyFileExW
// opens it; the Recycle Bin, which takes a file only on a fixed volume that
// has hard links (recycle_bin.cpp keeps the file by one until the bin
// is seen to hold it), so not on FAT or exFAT.
#include <windows.h>

#include "fsys/copy_foresight.h"
#include "fsys/resolved_path.h"
#include "fsys/win32/path.h"

namespace tolvane::fsys {

std::error_code source_open_error(const std::string& source) {
  const HANDLE file = CreateFileW(win32::long_path(source).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {static_cast<int>(GetLastError()), std::system_category()};
  }
  CloseHandle(file);
  return {};
}

bool trash_takes(const std::string& target) {
  wchar_t volume[MAX_PATH + 1] = {};
  // The plain form: the volume calls do not all take \\?\ paths.
  const std::wstring plain = win32::to_utf16(absolute_folder(target));
  if (!GetVolumePathNameW(plain.c_str(), volume, MAX_PATH)) return true;
  // Removable drives and network shares have no bin.
  const UINT type = GetDriveTypeW(volume);
  if (type == DRIVE_REMOVABLE || type == DRIVE_REMOTE) return false;
  // Nor can the bin's way be taken on a volume without hard links: FAT and
  // exFAT, known by name, since Wine reports its volumes as NTFS without
  // FILE_SUPPORTS_HARD_LINKS although hard links work there.
  wchar_t file_system[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, file_system,
                             MAX_PATH)) {
    return true;
  }
  const std::wstring name = file_system;
  return name != L"FAT" && name != L"FAT32" && name != L"exFAT";
}

}  // namespace tolvane::fsys
