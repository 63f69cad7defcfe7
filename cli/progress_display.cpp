// Draws the copy run's progress line.
#include "cli/progress_display.h"

#include "app/command_line_texts.h"

namespace tolvane::cli {

void ProgressDisplay::update(std::size_t index, std::size_t total, std::string_view caption,
                             bool at_once) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (start_ == std::chrono::steady_clock::time_point{}) start_ = now;
  // Drawing every entry of a fast run would cost more than the copies.
  if (!due(now, at_once || index + 1 >= total)) return;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  draw(app::command_line::progress_line(caption, index, total, seconds), now);
}

void ProgressDisplay::show(std::string_view line, bool at_once) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (due(now, at_once)) draw(line, now);
}

bool ProgressDisplay::due(std::chrono::steady_clock::time_point now, bool at_once) const {
  return !drawn_ || at_once || now - last_draw_ >= std::chrono::milliseconds(100);
}

void ProgressDisplay::draw(std::string_view line, std::chrono::steady_clock::time_point now) {
  // "\r" and erase-to-end redraw the line in place.
  out_ << '\r' << line << "\x1b[K" << std::flush;
  drawn_ = true;
  last_draw_ = now;
}

void ProgressDisplay::finish() {
  if (enabled_ && drawn_) out_ << '\n' << std::flush;
  drawn_ = false;
}

}  // namespace tolvane::cli
