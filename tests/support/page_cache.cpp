// cachestat(2), asked of one file.
#include "tests/support/page_cache.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tolvane::testing {

std::optional<std::uint64_t> pages_not_on_device(const std::string& path) {
  constexpr long cachestat = 451;  // on every architecture but Alpha
  struct {
    std::uint64_t offset = 0, length = 0;  // the whole file
  } range;
  struct {
    std::uint64_t cached, dirty, writeback, evicted, recently_evicted;
  } pages{};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const long status = ::syscall(cachestat, fd, &range, &pages, 0);
  ::close(fd);
  if (status != 0) return std::nullopt;
  return pages.dirty + pages.writeback;
}

}  // namespace tolvane::testing
