// Volumes this machine does not have, imitated for one test program by
// standing in for the system calls the copies make: an NFS share (hard
// links, but no RENAME_NOREPLACE and no unnamed files), an SMB or sshfs
// share whose link() answers ENOSYS or EOPNOTSUPP, a FUSE volume whose
// syncfs never reaches the device, and a device whose flushes fail.
// Whatever is not set here goes to the kernel as it stands.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tolvane::testing {

struct VolumeBehaviour {
  bool unnamed_files = true;      // open(O_TMPFILE) works
  bool no_replace_rename = true;  // renameat2(RENAME_NOREPLACE) works
  int link_error = 0;             // link() and linkat() fail with it
  // statfs() below this folder says FUSE, and syncfs() of its volume
  // returns at once without writing anything.
  std::string fuse_folder;
  // syncfs() and fdatasync() of any file on the volume holding this folder
  // fail with EIO.
  std::string failing_flush_folder;
  // rename() onto a path ending in this fails with EIO.
  std::string failing_rename_to;
};

// Sets what the stand-ins do from now on, until the next call; a test sets
// it between runs, never during one.  `VolumeBehaviour{}` is the kernel's.
void behave_as(const VolumeBehaviour& behaviour);

// How many files were flushed one by one (fdatasync) since the last call.
std::size_t take_single_flushes();

}  // namespace tolvane::testing
