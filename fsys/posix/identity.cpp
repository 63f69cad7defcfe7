// Identities from stat, with the file number only where the volume keeps it.
#include "fsys/posix/identity.h"

#include <sys/vfs.h>

#include <string>

namespace tolvane::fsys::posix {

FileIdentity identity_of(const struct stat& info, bool numbers_last) {
  FileIdentity identity;
  identity.size = static_cast<std::uint64_t>(info.st_size);
  identity.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                      info.st_mtim.tv_nsec;
  if (numbers_last) identity.file_id = std::to_string(info.st_ino);
  return identity;
}

bool numbers_last_on(long type) {
  constexpr long msdos = 0x4d44, exfat = 0x2011BAB0;
  return type != fuse_type && type != msdos && type != exfat;
}

bool numbers_last(int fd) {
  struct statfs volume;
  return ::fstatfs(fd, &volume) == 0 && numbers_last_on(static_cast<long>(volume.f_type));
}

}  // namespace tolvane::fsys::posix
