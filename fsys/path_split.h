// A path cut at its last separator, written once for every caller: the
// folder part (with its separator) and the last name.  What a caller makes
// of a path without any separator, a bare name, is its own to say.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "fsys/path_separator.h"

namespace tolvane::fsys {

// Where the last name of `path` starts: just past its last separator (any
// of `separators`: on Windows "/" too), or 0 when it holds none.
constexpr std::size_t last_name_start(std::string_view path) {
  const std::size_t cut = path.find_last_of(separators);
  return cut == std::string_view::npos ? 0 : cut + 1;
}

// The same for a wide path of the Win32 backend, in the long form whose only
// separator is "\".
constexpr std::size_t last_name_start(std::wstring_view path) {
  const std::size_t cut = path.rfind(L'\\');
  return cut == std::wstring_view::npos ? 0 : cut + 1;
}

// The text after the last separator of `path`; all of it when there is none.
// A folder path ending in the separator gives the empty name.
constexpr std::string_view last_name(std::string_view path) {
  return path.substr(last_name_start(path));
}

// `path` up to and with its last separator; empty for a bare name.
constexpr std::string_view folder_part(std::string_view path) {
  return path.substr(0, last_name_start(path));
}

// The folder that holds the last name of `path`, ending in the separator:
// its folder part, or the current folder ("./") for a bare name.
inline std::string folder_holding(std::string_view path) {
  const std::string_view folder = folder_part(path);
  if (!folder.empty()) return std::string(folder);
  return std::string{'.', separator};
}

}  // namespace tolvane::fsys
