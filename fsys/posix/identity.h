// A POSIX file's identity as a run's journal records it.
#pragma once

#include <sys/stat.h>

#include "fsys/kept_file.h"

namespace tolvane::fsys::posix {

// `info` of a file on a volume whose numbers last (`numbers_last`): FAT and
// exFAT through FUSE number files anew at each mount.
FileIdentity identity_of(const struct stat& info, bool numbers_last);

// True when a volume of statfs type `type` keeps its file numbers.
bool numbers_last_on(long type);

// The same for the volume holding the open file `fd`.
bool numbers_last(int fd);

// The statfs type of FUSE volumes.
inline constexpr long fuse_type = 0x65735546;

}  // namespace tolvane::fsys::posix
