// When two paths name the same file: the key that path comparisons and hash
// sets use.  Exact bytes on POSIX; Windows file names ignore letter case.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::fsys {

#ifdef _WIN32
// Paths that differ only in letter case name the same file.  ASCII letters
// are folded here; the Windows backend may widen this to all of Unicode.
inline std::string path_key(std::string_view path) {
  std::string key(path);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}
#else
// The bytes of a path are its identity.
inline std::string path_key(std::string_view path) { return std::string(path); }
#endif

// True when `a` and `b` name the same file by the rule above.
inline bool paths_equal(std::string_view a, std::string_view b) {
  return path_key(a) == path_key(b);
}

}  // namespace tolvane::fsys
