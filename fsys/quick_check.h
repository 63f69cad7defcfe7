// The quick check copy_file applies to a file already at a target: the same
// size and modification time mean the file is the source's copy and is left
// alone.  Offered on its own so that a plan can say what a copy will do.
#pragma once

#include <string>

namespace tolvane::fsys {

// True when an ordinary file stands at `target` that copy_file(source,
// target) would leave unchanged by the rule above; false when nothing or
// something else stands there, or either cannot be looked at.
bool target_looks_unchanged(const std::string& source, const std::string& target);

}  // namespace tolvane::fsys
