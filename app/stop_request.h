// The user's request to stop a scan or a copy run: set by a front end from
// its Escape key, its close button or a signal handler, read by the run at
// each clean point it reaches.
#pragma once

#include <atomic>

namespace tolvane::app {

class StopRequest {
 public:
  // Asks the run to stop.  True when a run listens for it now (Listening);
  // otherwise there is nothing to stop, and a front end whose stop comes by
  // a signal ends the program as the signal would.  Safe in a signal
  // handler and from any thread: both flags are lock-free.
  bool request() noexcept {
    flag_.store(true, std::memory_order_relaxed);
    return listening_.load(std::memory_order_relaxed);
  }
  bool requested() const noexcept { return flag_.load(std::memory_order_relaxed); }
  // Before the next run: a stop asked of the last one does not carry over.
  void clear() noexcept { flag_.store(false, std::memory_order_relaxed); }

  // What the scan and the copy core read.
  const std::atomic<bool>* flag() const noexcept { return &flag_; }

  // For as long as it lives, a run that can be stopped is under way.
  class Listening {
   public:
    explicit Listening(StopRequest& stop) : stop_(stop) {
      stop_.listening_.store(true, std::memory_order_relaxed);
    }
    ~Listening() { stop_.listening_.store(false, std::memory_order_relaxed); }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

   private:
    StopRequest& stop_;
  };

 private:
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::atomic<bool> flag_{false};
  std::atomic<bool> listening_{false};
};

}  // namespace tolvane::app
