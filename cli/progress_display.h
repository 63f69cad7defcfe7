// The progress line on standard error while a copy runs: the window's
// percentage text, the count, files per second and the time left
// (app::command_line::progress_line).  Shown only on a terminal, redrawn in
// place a few times a second.
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace tolvane::cli {

class ProgressDisplay {
 public:
  // Writes to `out` only when `enabled`.
  ProgressDisplay(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}

  // Entry `index` (0-based) of `total` is about to be copied; `caption` is
  // the window's progress line for it.  Drawn a few times a second at most, unless
  // `at_once` (a state the run stays in for a while).
  void update(std::size_t index, std::size_t total, std::string_view caption, bool at_once = false);
  // Draws `line` as it stands, a few times a second at most, unless
  // `at_once` (the first and the last line of a run).
  void show(std::string_view line, bool at_once);
  // Ends the line, so that what follows starts on a line of its own.
  void finish();

 private:
  bool due(std::chrono::steady_clock::time_point now, bool at_once) const;
  void draw(std::string_view line, std::chrono::steady_clock::time_point now);

  std::ostream& out_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_{};  // of the copies, not the scan
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace tolvane::cli
