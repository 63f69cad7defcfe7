// First entry / next entry: one enumeration over one folder, matching a mask
// and an attribute filter.  Each enumeration is an object of its own, so a
// second caller can never take over the first one's place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::fsys {

enum class Filter : int {
  files = 0,               // ordinary files only
  files_and_folders = 16,  // ordinary files and folders, "." and ".." included
};

class Enumeration {
 public:
  // `search_text` is a folder path ending in the separator, alone (every
  // entry) or followed by a mask such as "*.jpg".  A folder that cannot be
  // read gives an empty enumeration.
  Enumeration(FileSystem& file_system, std::string_view search_text,
              Filter filter);

  // The next matching name, or the empty text at the end.
  std::string next();

 private:
  std::vector<std::string> names_;
  std::size_t position_ = 0;
};

}  // namespace tolvane::fsys
