// Writability and name length on POSIX.
#include "fsys/folder_access.h"

#include <unistd.h>

namespace tolvane::fsys {

bool folder_writable(const std::string& folder) {
  // access() answers for the real user, as the copies will be made; a
  // read-only mount answers EROFS even to root.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool name_fits(const std::string& folder, const std::string& name) {
  // Names are bytes here; a folder not made yet lies on the file system of
  // the destination, whose limit is almost always 255.
  const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return name.size() <= static_cast<std::size_t>(longest > 0 ? longest : 255);
}

}  // namespace tolvane::fsys
