// The default thread count of a copy run, as measured on the benchmark.
#include "copy/copy_worker_count.h"

#include <algorithm>
#include <thread>

namespace tolvane::copy {

std::size_t default_copy_workers() {
  // Measured on the benchmark's small files (2 cores): more threads than
  // cores keep the disk busy while others wait on the journal; beyond four
  // nothing more was gained.
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<std::size_t>(cores * 2, 2, 8);
}

}  // namespace tolvane::copy
