// How many threads copy a run's data when the caller names no number: the
// front ends take this default without pulling in the threads, locks and
// queues of copy_workers.h.
#pragma once

#include <cstddef>

namespace tolvane::copy {

// How many threads a copy run uses on this machine.
std::size_t default_copy_workers();

}  // namespace tolvane::copy
