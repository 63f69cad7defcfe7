// The system's errors in the window's language: one short Chinese phrase per
// failure a user meets, with the system's own words kept beside it.
#pragma once

#include <string>
#include <system_error>

namespace tolvane::fsys {

// "没有权限（Permission denied）" and the like; the system's message alone for
// an error without a phrase of ours.
std::string error_in_words(std::error_code error);

// True for the errors with which a volume refuses a name it cannot hold
// (exFAT, FAT or NTFS refusing ":" and the like): EINVAL, EILSEQ, and on
// Windows ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_DIRECTORY.
bool refuses_name(std::error_code error);

}  // namespace tolvane::fsys
