// Letter case folded out of a UTF-8 path, for volumes that take names
// differing only in case for one name (exFAT, FAT, NTFS, SMB shares).  The
// copy run compares its targets this way on such a volume, so that "Trip"
// and "trip" never claim one file.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::fsys {

// `path` with every letter whose case these volumes fold put in lower case:
// ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.  Other characters,
// and bytes that are not UTF-8, pass unchanged: a letter missed here only
// makes two names look different, and the file system then tells the copy
// that the name is held (see CopyOutcome::name_held_by_run).
std::string letter_case_folded(std::string_view path);

}  // namespace tolvane::fsys
