// When two paths name the same file: the key that path comparisons and hash
// sets use.  Exact bytes on POSIX; Windows file names ignore letter case.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::fsys {

#ifdef _WIN32
// Paths that differ only in letter case name the same file: every letter,
// not only ASCII, is upper-cased by the system's case table, as the file
// system compares names (win32/path.cpp).
std::string path_key(std::string_view path);
inline constexpr bool path_is_its_key = false;
#else
// The bytes of a path are its identity.
inline std::string path_key(std::string_view path) { return std::string(path); }
// path_key(path) == path: a caller may use the path itself, without a copy.
inline constexpr bool path_is_its_key = true;
#endif

// True when `a` and `b` name the same file by the rule above.
inline bool paths_equal(std::string_view a, std::string_view b) {
  return path_key(a) == path_key(b);
}

}  // namespace tolvane::fsys
