// Opening a file or folder the program only reads, without stamping its
// access time: a run should leave the source as it found it, and each stamp
// is an inode written back to the source's volume (a card, or a folder tree
// of a million photos whose inodes the next flush must then write too).
#pragma once

#include <fcntl.h>

#include <cerrno>

namespace tolvane::fsys::posix {

// openat(at, name, flags) asking for no access-time stamp.  The kernel
// grants that only for the caller's own files (or to a privileged caller):
// for anyone else's, the file is opened as usual.
inline int open_for_reading(int at, const char* name, int flags) {
  const int fd = ::openat(at, name, flags | O_NOATIME);
  if (fd >= 0 || errno != EPERM) return fd;
  return ::openat(at, name, flags);
}

}  // namespace tolvane::fsys::posix
