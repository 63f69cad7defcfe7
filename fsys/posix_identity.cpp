// Identities from stat, with the file number only where the volume keeps it.
#include "fsys/posix_identity.h"

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

bool numbers_last(int fd) {
  struct statfs volume;
  if (::fstatfs(fd, &volume) != 0) return false;
  constexpr long fuse = 0x65735546, msdos = 0x4d44, exfat = 0x2011BAB0;
  const long type = static_cast<long>(volume.f_type);
  return type != fuse && type != msdos && type != exfat;
}

}  // namespace tolvane::fsys::posix
