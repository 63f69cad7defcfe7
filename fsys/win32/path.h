// Paths at the Win32 boundary: the core's UTF-8 text turned into the UTF-16
// long-path form the wide API takes, and names turned back.  Windows only;
// the case-folded path_key (path_key.h) lives here as well.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvane::fsys::win32 {

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::wstring to_utf16(std::string_view utf8);

// UTF-16 to UTF-8, or nothing when the text holds a lone surrogate (a name
// that has no UTF-8 spelling, so no core path could ever reach it again).
std::optional<std::string> to_utf8(std::wstring_view utf16);

// `path` made absolute and normalised ("/" becomes "\", "." and ".." are
// resolved), then given the \\?\ prefix (\\?\UNC\ for \\server\share) so
// that the length limit of 260 characters does not apply.  A trailing
// separator is kept.  Paths already in the \\?\ form pass unchanged.
std::wstring long_path(std::string_view path);

}  // namespace tolvane::fsys::win32
