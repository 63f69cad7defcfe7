// The mask matcher that every backend uses, so that names match the same way
// on every platform.
#pragma once

#include <string_view>

namespace tolvane::fsys {

// True when `name` matches `mask`: "*" is any run of characters, "?" exactly
// one, ASCII letters compare without case, all other bytes exactly; a mask
// ending in ".*" also matches a name with no dot, so "*.*" matches every name.
bool mask_matches(std::string_view mask, std::string_view name);

}  // namespace tolvane::fsys
