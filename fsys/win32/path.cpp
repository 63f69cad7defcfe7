// Paths at the Win32 boundary: UTF-8 <-> UTF-16, the \\?\ long form, and the
// case-folded key.
#include "fsys/win32/path.h"

#include <windows.h>

#include <climits>

#include "fsys/path_key.h"

namespace tolvane::fsys {
namespace {

constexpr std::wstring_view verbatim_prefix = L"\\\\?\\";
constexpr std::wstring_view unc_prefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view device_prefix = L"\\\\.\\";

int checked_length(std::size_t size) {
  // Win32 lengths are ints; no path comes near this, but a bad length must
  // not wrap around.
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

}  // namespace

namespace win32 {

std::wstring to_utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = checked_length(utf8.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, result.data(), needed);
  return result;
}

std::optional<std::string> to_utf8(std::wstring_view utf16) {
  if (utf16.empty()) return std::string();
  const int length = checked_length(utf16.size());
  const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length,
                                         nullptr, 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::string result(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, result.data(), needed,
                      nullptr, nullptr);
  return result;
}

std::wstring long_path(std::string_view path) {
  const std::wstring wide = to_utf16(path);
  if (wide.starts_with(verbatim_prefix) || wide.empty()) return wide;

  // GetFullPathNameW does what the \\?\ form would skip: it makes the path
  // absolute, turns "/" into "\" and resolves "." and "..".
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return wide;
  full.resize(size);

  if (full.starts_with(device_prefix)) return full;  // CON, NUL and the like
  if (full.starts_with(L"\\\\")) return std::wstring(unc_prefix) + full.substr(2);
  return std::wstring(verbatim_prefix) + full;
}

}  // namespace win32

std::string path_key(std::string_view path) {
  const int length = checked_length(path.size());
  const int units =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), length, nullptr, 0);
  if (units == 0) {
    // Not UTF-8 (or empty): no name on disk is spelt so; fold ASCII only,
    // which keeps distinct byte strings distinct.
    std::string key(path);
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
  }
  const std::wstring wide = win32::to_utf16(path);
  // Simple upper-casing maps one UTF-16 unit to one, so the length stays.
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), units, upper.data(), units,
                    nullptr, nullptr, 0) != units) {
    return std::string(path);
  }
  return win32::to_utf8(upper).value_or(std::string(path));
}

}  // namespace tolvane::fsys
