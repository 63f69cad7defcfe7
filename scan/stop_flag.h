// The flag a scan and a copy run look at to learn that the user asked them
// to stop: a front end's request (app/stop_request.h), handed down as a value.
#pragma once

#include <atomic>

namespace tolvane::scan {

// True once `stop` (may be null) is set.
inline bool stop_requested(const std::atomic<bool>* stop) {
  return stop != nullptr && stop->load(std::memory_order_relaxed);
}

}  // namespace tolvane::scan
