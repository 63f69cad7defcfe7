// The progress line as every front end shows it.
#include "app/run_display.h"

#include <algorithm>
#include <climits>

namespace tolvane::app {
namespace {

int bar_value(std::size_t index) { return static_cast<int>(std::min<std::size_t>(index, INT_MAX)); }

}  // namespace

void RunDisplay::progress(std::size_t index) {
  set_progress(bar_value(index), progress_caption(index, progress_max()));
}

void RunDisplay::flushing(std::size_t index) {
  set_progress_now(bar_value(index),
                   progress_caption(index, progress_max()) + std::string(flushing_suffix));
}

}  // namespace tolvane::app
