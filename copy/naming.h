// Destination naming: where each listed file's copy goes and what it is
// called.  Pure functions of their arguments; no file access, no window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::copy {

// The entry's destination folder: `root` itself in flat mode, otherwise
// `root` + `tag` + separator.  An empty tag names `root` itself, without a
// doubled separator.  `root` ends in the separator.
std::string destination_folder(std::string_view root, std::string_view tag, bool flat);

// The entry's running number: 1 for the first entry of a run
// (`previous_tag` empty) and whenever `tag` differs from the previous entry's
// tag as exact text, otherwise `previous_number` + 1.
std::size_t running_number(std::optional<std::string_view> previous_tag,
                           std::size_t previous_number, std::string_view tag);

enum class NamingMode { numbered, keep_name };

// Keep-name mode for exactly ".*"; every other text, however close, numbers.
NamingMode naming_mode(std::string_view extension_text);

// `folder` + `tag` + "(" + `number` + ")" + `extension_text` verbatim.
std::string numbered_target(std::string_view folder, std::string_view tag, std::size_t number,
                            std::string_view extension_text);

// The text after the last separator of `path`; all of it when there is none.
std::string_view file_name_of(std::string_view path);

// True when `name` can stand as one file or folder name inside a folder:
// not empty, not "." or "..", without the separator or a zero byte, and
// where the separator is "\\" also without "/", the characters <>:"|?*,
// control characters and a trailing dot or blank.  A name that fails would be written somewhere
// else than the folder it was meant for, or not at all.
bool is_single_name(std::string_view name);

// `name` with "(" + `k` + ")" put before its extension, the part from its
// last dot: "a.jpg" gives "a(2).jpg", "a" gives "a(2)".
std::string name_with_copy_number(std::string_view name, std::size_t k);

}  // namespace tolvane::copy
