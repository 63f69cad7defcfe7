// The longest texts Label2 shows, for the front ends' tests that measure
// them against the label with the real font: each suffix of the count line
// with numbers larger than a user will meet.
#pragma once

#include <string>
#include <vector>

#include "app/user_texts.h"

namespace tolvane::app::testing {

inline std::vector<std::string> longest_count_captions() {
  const auto caption = [](std::size_t unreadable, std::size_t left_out,
                          std::optional<NothingRead> why) {
    scan::ScanResult result;
    result.folders_unreadable = unreadable;
    result.folders_left_out = left_out;
    return count_caption(why ? 0 : 32767, result, why);
  };
  return {caption(999, 0, {}),
          caption(0, 999, {}),
          caption(999, 999, {}),
          caption(0, 0, NothingRead::empty_text),
          caption(0, 0, NothingRead::ends_in_separator),
          caption(0, 0, NothingRead::root_text),
          caption(0, 0, NothingRead::folder_missing)};
}

}  // namespace tolvane::app::testing
