// Foreseeing a copy on POSIX: the source opened as start_copy opens it, the
// trash looked for as put_in_trash finds it.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "fsys/copy_foresight.h"
#include "fsys/posix/trash.h"

namespace tolvane::fsys {

std::error_code source_open_error(const std::string& source) {
  const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {errno, std::generic_category()};
  ::close(fd);
  return {};
}

bool trash_takes(const std::string& target) { return posix::trash_would_take(target); }

}  // namespace tolvane::fsys
