// A POSIX file's identity as a run's journal records it.
#pragma once

#include <sys/stat.h>

#include "fsys/kept_file.h"

namespace tolvane::fsys::posix {

// `info` of a file on a volume whose numbers last (`numbers_last`): FAT and
// exFAT through FUSE number files anew at each mount.
FileIdentity identity_of(const struct stat& info, bool numbers_last);

// True when the volume holding the open file `fd` keeps its file numbers.
bool numbers_last(int fd);

}  // namespace tolvane::fsys::posix
