// A destination typed before it exists: the folders of its path that are
// missing, made outermost first through the file-system services.
#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::fsys {

// The folder above `folder` (a folder path ending in the separator), with
// its separator; nothing for a root ("/", "C:\"), a share
// ("\\server\share\") or a single relative name, whose parent is the
// current folder.
std::optional<std::string> parent_folder(const std::string& folder);

// The nearest of `folder` and the folders above it that exists, the current
// folder ("./") above a relative one; nothing when none does (a drive or a
// share that is not there).
std::optional<std::string> nearest_existing_folder(FileSystem& file_system,
                                                   const std::string& folder);

// Makes `folder` and every missing folder above it, outermost first.  The
// first folder that cannot be made ends it with that error; what was made
// before it stays.  A folder another program makes meanwhile is taken as made.
// `made`, when given, gets the folders this call made, outermost first.
std::error_code make_missing_folders(FileSystem& file_system, const std::string& folder,
                                     std::vector<std::string>* made = nullptr);

}  // namespace tolvane::fsys
