// Whether a volume compares names regardless of letter case, asked of the
// volume itself: exFAT and FAT cards do, as do some shares.
#pragma once

#include <string>

namespace tolvane::fsys::posix {

// Makes a hidden file in `folder` (ending in '/'), then looks for it under
// its name in upper case.  False when the probe cannot be made.
bool folder_folds_letter_case(const std::string& folder);

}  // namespace tolvane::fsys::posix
