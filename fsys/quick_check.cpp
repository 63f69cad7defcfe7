// The quick check's tolerance for the times coarser volumes keep.
#include "fsys/quick_check.h"

namespace tolvane::fsys {

bool same_modification_time(std::int64_t kept, std::int64_t original,
                            std::int64_t ticks_per_second) {
  if (kept == original) return true;
  for (const std::int64_t step : {ticks_per_second / 100, ticks_per_second, 2 * ticks_per_second}) {
    // Rounded toward the past for times before the epoch too.
    const std::int64_t down = original - ((original % step) + step) % step;
    if (kept == down || kept == down + step) return true;
  }
  return false;
}

}  // namespace tolvane::fsys
