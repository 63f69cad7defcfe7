// Writability and name length on Windows.
#include "fsys/folder_access.h"

#include <windows.h>

#include "fsys/win32/path.h"

namespace tolvane::fsys {

bool folder_writable(const std::string& folder) {
  // Access rights on Windows are too many to reason about: create a hidden
  // file that removes itself when closed.
  const std::wstring probe =
      win32::long_path(folder + ".tolvane-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp");
  const HANDLE file = CreateFileW(
      probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool name_fits(const std::string& /*folder*/, const std::string& name) {
  // NTFS, FAT and exFAT all allow 255 UTF-16 units in a name.
  return win32::to_utf16(name).size() <= 255;
}

}  // namespace tolvane::fsys
