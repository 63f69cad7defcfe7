// An owned Win32 handle, closed by the call its kind needs, and the last
// error as an error code.  Windows only.
#pragma once

#include <windows.h>

#include <system_error>
#include <utility>

namespace tolvane::fsys::win32 {

inline std::error_code last_error() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

// `Close` is CloseHandle for files, FindClose for a folder search.
template <BOOL(WINAPI* Close)(HANDLE)>
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) Close(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

using FileHandle = OwnedHandle<CloseHandle>;
using FindHandle = OwnedHandle<FindClose>;

}  // namespace tolvane::fsys::win32
