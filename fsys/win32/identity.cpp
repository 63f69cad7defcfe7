#include "fsys/win32/identity.h"

#include <windows.h>

#include <cstdint>

namespace tolvane::fsys::win32 {
namespace {

// FILETIME counts 100 ns from 1601; the journal counts ns from 1970.
std::int64_t unix_nanoseconds(const FILETIME& time) {
  const std::int64_t ticks =
      (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000LL) * 100;
}

bool numbers_last(HANDLE file) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, nullptr, name,
                                     MAX_PATH + 1)) {
    return false;
  }
  const std::wstring system = name;
  return system == L"NTFS" || system == L"ReFS";
}

// What the handle of the file at `path`, opened with `flags` and no access,
// tells; `numbered` whether its volume keeps file numbers, when asked.
std::optional<BY_HANDLE_FILE_INFORMATION> information_of(const std::wstring& path, DWORD flags,
                                                        bool* numbered = nullptr) {
  const HANDLE file =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  if (known && numbered != nullptr) *numbered = numbers_last(file);
  CloseHandle(file);
  if (!known) return std::nullopt;
  return info;
}

}  // namespace

std::optional<VolumeFileNumber> identity_of(const std::wstring& path) {
  const std::optional<BY_HANDLE_FILE_INFORMATION> info =
      information_of(path, FILE_FLAG_BACKUP_SEMANTICS);
  if (!info) return std::nullopt;
  return VolumeFileNumber{info->dwVolumeSerialNumber, info->nFileIndexHigh, info->nFileIndexLow};
}

std::optional<FileIdentity> identity_at(const std::wstring& path) {
  bool numbered = false;
  const std::optional<BY_HANDLE_FILE_INFORMATION> found =
      information_of(path, FILE_FLAG_OPEN_REPARSE_POINT, &numbered);
  if (!found || (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  const BY_HANDLE_FILE_INFORMATION& info = *found;
  FileIdentity identity;
  identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  identity.modified = unix_nanoseconds(info.ftLastWriteTime);
  if (numbered) {
    identity.file_id = std::to_string(info.dwVolumeSerialNumber) + ":" +
                       std::to_string((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                                      info.nFileIndexLow);
  }
  return identity;
}

}  // namespace tolvane::fsys::win32
