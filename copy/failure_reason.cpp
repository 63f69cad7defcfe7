// A failed entry's reason: the scan's unreadable folders are worded the same
// way, so the phrases live with the file services.
#include "copy/failure_reason.h"

#include "fsys/error_words.h"

namespace tolvane::copy {

std::string failure_reason(std::error_code error) { return fsys::error_in_words(error); }

}  // namespace tolvane::copy
