// Recycling through SHFileOperationW, with a hard link that keeps the file
// until the bin is seen to hold it.
#include "fsys/win32/recycle_bin.h"

#include "fsys/path_split.h"

// windows.h first: shellapi.h needs its definitions.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>

#include "fsys/replace_steps.h"
#include "fsys/trash_error.h"

namespace tolvane::fsys::win32 {
namespace {

// The plain form of a \\?\ path, which the shell takes (up to MAX_PATH).
std::wstring shell_path(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\" + path.substr(7);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

std::optional<DWORD> link_count(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return info.nNumberOfLinks;
}

// The errno value closest to a Win32 error, for the trash category.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    default:
      return EIO;
  }
}

// A hidden name beside `path` that no sweep of temporaries removes: it may
// be the only name left of the file if the process dies at the wrong time.
std::wstring keep_name(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path.substr(0, last_name_start(path)) + L".tolvane-keep-" +
         std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
}

}  // namespace

// The shell deletes a file for good, without a word under FOF_NO_UI, where
// the volume has no Recycle Bin (a removable drive).  So the file is first
// kept under a second, hidden name, and the link count afterwards tells
// whether the bin took it; if it did not, the kept name goes back.
std::error_code recycle(const std::wstring& path) {
  if (const std::error_code probed = probe_replace_step(ReplaceStep::put_in_trash)) {
    return trash_error(probed.value());
  }
  // A file that another program holds open without sharing its deletion
  // can go nowhere, and its second name could not be taken away again.
  const HANDLE file =
      CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return trash_error(errno_of(GetLastError()));
  CloseHandle(file);
  const std::wstring kept = keep_name(path);
  // Without a second name there is no way to tell a recycled file from a
  // destroyed one, whatever refused it: volumes without hard links (FAT,
  // exFAT, many shares) are removable or network ones, without a bin anyway.
  // The caller keeps the file elsewhere on EXDEV.
  if (!CreateHardLinkW(kept.c_str(), path.c_str(), nullptr)) return trash_error(EXDEV);
  std::wstring from = shell_path(path);
  from.push_back(L'\0');  // the list of names ends in an empty one
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI;
  const int result = SHFileOperationW(&operation);
  const bool still_there = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (result != 0 || operation.fAnyOperationsAborted || still_there) {
    if (still_there) {
      DeleteFileW(kept.c_str());
    } else {
      MoveFileExW(kept.c_str(), path.c_str(), 0);
    }
    return trash_error(errno_of(static_cast<DWORD>(result)));
  }
  if (link_count(kept) == DWORD{1}) {
    // Deleted for good: the kept name is all that is left; put it back.
    MoveFileExW(kept.c_str(), path.c_str(), 0);
    return trash_error(EXDEV);
  }
  DeleteFileW(kept.c_str());
  return {};
}

}  // namespace tolvane::fsys::win32
