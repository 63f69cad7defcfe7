// How often a long task in the window's thread redraws the window and lets
// it answer the window system: a few times a second, since drawing costs
// far more than a step of the task.
#pragma once

#include <chrono>

namespace tolvane::form {

class RefreshPacer {
 public:
  RefreshPacer() : last_(std::chrono::steady_clock::now()) {}

  // Whether the last refresh (or the task's start) was long enough ago.
  bool due() const { return std::chrono::steady_clock::now() - last_ >= interval; }
  // The window was just refreshed.
  void refreshed() { last_ = std::chrono::steady_clock::now(); }

 private:
  static constexpr std::chrono::milliseconds interval{100};
  std::chrono::steady_clock::time_point last_;
};

}  // namespace tolvane::form
