#include "fsys/posix/descriptor_budget.h"

#include <sys/resource.h>

#include <algorithm>

namespace tolvane::fsys::posix {

DescriptorBudget allow_open_files() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return {256, 16};
  const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 65536);
  if (limit.rlim_cur < wanted) {
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = before;
  }
  const rlim_t allowed = limit.rlim_cur == RLIM_INFINITY ? 65536 : limit.rlim_cur;
  const rlim_t kept_back = std::max<rlim_t>(allowed / 8, 256);
  const rlim_t budget = allowed > kept_back ? allowed - kept_back : 0;
  return {static_cast<int>(std::clamp<rlim_t>(budget, 16, 65536)),
          static_cast<int>(std::clamp<rlim_t>(kept_back / 4, 16, 1024))};
}

}  // namespace tolvane::fsys::posix
