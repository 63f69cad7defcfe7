// The quick check on POSIX, for a plan's look ahead: as the copy looks.
#include <sys/stat.h>

#include "fsys/posix/copy.h"
#include "fsys/quick_check.h"

namespace tolvane::fsys {

bool target_looks_unchanged(const std::string& source, const std::string& target) {
  // A path with a zero byte names a shorter one at the system call.
  if (source.find('\0') != std::string::npos || target.find('\0') != std::string::npos) return false;
  struct stat source_info;
  struct stat existing;
  // The source followed, the target itself.
  return ::stat(source.c_str(), &source_info) == 0 && ::lstat(target.c_str(), &existing) == 0 &&
         posix::looks_unchanged(existing, source_info);
}

}  // namespace tolvane::fsys
