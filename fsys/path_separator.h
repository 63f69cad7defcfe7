// The platform's path separator and the folder text a new window starts with.
#pragma once

#include <string_view>

namespace tolvane::fsys {

#ifdef _WIN32
inline constexpr char separator = '\\';
// Windows takes "/" for a separator too: a folder text typed with it means
// the same folder.
inline constexpr std::string_view separators = "\\/";
// The root of the system drive: ends in the separator, so it starts no walk.
inline constexpr std::string_view start_folder_text = "C:\\";
#else
inline constexpr char separator = '/';
inline constexpr std::string_view separators = "/";
inline constexpr std::string_view start_folder_text = "/";
#endif

}  // namespace tolvane::fsys
