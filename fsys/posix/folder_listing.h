// A folder's entries as the walk sees them, read with the raw directory
// calls and put in the order a listing shows.
#pragma once

#include <string>

#include "fsys/file_system.h"

namespace tolvane::fsys::posix {

// The entries of `folder` that are listed (no hidden names), sorted by
// name_before; or the error that stopped the read, with no entries.
FolderContents list_folder(const std::string& folder);

// True when `folder` holds no entry at all, hidden ones included; false when
// it holds one or cannot be read.  Reads no further than its first entry.
bool folder_is_empty(const std::string& folder);

}  // namespace tolvane::fsys::posix
