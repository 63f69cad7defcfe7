// The kind of one folder entry on POSIX, from d_type when the listing gives
// it (no stat on most file systems), from lstat otherwise.
#include "fsys/posix/entry_kind.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tolvane::fsys::posix {
namespace {

// Only a link to a regular file is listed (as a file); a dangling link has
// nothing to read.
std::optional<EntryKind> kind_behind_link(int dir_fd, const char* name) {
  struct stat info;
  if (::fstatat(dir_fd, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return EntryKind::file;
}

}  // namespace

std::optional<EntryKind> listed_kind(int dir_fd, const char* name, unsigned char d_type) {
  switch (d_type) {
    case DT_REG:
      return EntryKind::file;
    case DT_DIR:
      return EntryKind::folder;
    case DT_LNK:
      return kind_behind_link(dir_fd, name);
    case DT_UNKNOWN:
      break;
    default:
      return std::nullopt;
  }
  struct stat info;
  if (::fstatat(dir_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  if (S_ISLNK(info.st_mode)) return kind_behind_link(dir_fd, name);
  if (S_ISREG(info.st_mode)) return EntryKind::file;
  if (S_ISDIR(info.st_mode)) return EntryKind::folder;
  return std::nullopt;
}

}  // namespace tolvane::fsys::posix
