// What a copy would meet at its source and its target, looked at without
// writing anything: for a plan that says beforehand what a run will do.
// Each backend answers for its own platform, as its copy_file would act.
#pragma once

#include <string>
#include <system_error>

namespace tolvane::fsys {

// The error opening `source` for reading would give a copy now (permission
// denied, say); none when it opens.  Opens and closes it; reads nothing.
std::error_code source_open_error(const std::string& source);

// True when a different file at `target` would go to the system's trash
// before a copy took its name; false on a volume without a usable trash,
// where the old file would be set aside in the destination (set_aside.h).
// `target` and its folder need not exist yet.
bool trash_takes(const std::string& target);

}  // namespace tolvane::fsys
