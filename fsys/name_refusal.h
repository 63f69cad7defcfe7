// How a volume says it cannot hold a name: a report words such a failure by
// the character the name holds rather than by the system's message.
#pragma once

#include <system_error>

namespace tolvane::fsys {

// True for the errors with which a volume refuses a name it cannot hold
// (exFAT, FAT or NTFS refusing ":" and the like): EINVAL, EILSEQ, and on
// Windows ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_DIRECTORY.
bool refuses_name(std::error_code error);

}  // namespace tolvane::fsys
