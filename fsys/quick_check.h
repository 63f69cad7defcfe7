// The quick check copy_file applies to a file already at a target: the same
// size and modification time mean the file is the source's copy and is left
// alone.  Offered on its own so that a plan can say what a copy will do.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane::fsys {

// True when `kept`, a target's modification time, is the time `original`
// becomes on the target's volume: the same, or cut to the hundredths
// (exFAT), seconds (some shares) or two seconds (FAT) that a coarser volume
// keeps, rounded down or up.  Both count `ticks_per_second` ticks from the
// platform's epoch, before it too.
bool same_modification_time(std::int64_t kept, std::int64_t original,
                            std::int64_t ticks_per_second);

// True when an ordinary file stands at `target` that copy_file(source,
// target) would leave unchanged by the rule above; false when nothing or
// something else stands there, or either cannot be looked at.
bool target_looks_unchanged(const std::string& source, const std::string& target);

}  // namespace tolvane::fsys
