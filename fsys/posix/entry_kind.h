// Which entries of a POSIX folder listing the program sees, decided from the
// type that readdir gives or, where the file system gives none, from a stat
// of the entry.  POSIX only.
#pragma once

#include <optional>

#include "fsys/file_system.h"

namespace tolvane::fsys::posix {

// The kind under which the entry `name` of the open folder `dir_fd` is
// listed, given readdir's `d_type` (DT_UNKNOWN when the file system does not
// say); nothing for what is never listed: devices, FIFOs, sockets, and links
// to anything but a regular file (a link to a folder could close a loop).
std::optional<EntryKind> listed_kind(int dir_fd, const char* name, unsigned char d_type);

}  // namespace tolvane::fsys::posix
