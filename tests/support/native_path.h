// Paths written in the tests with "/", in the platform's separator, so that
// one test reads the same on Linux and under Wine.
#pragma once

#include <string>
#include <string_view>

#include "fsys/path_separator.h"

namespace tolvane::testing {

inline std::string native(std::string_view path) {
  std::string result(path);
  for (char& c : result) {
    if (c == '/') c = fsys::separator;
  }
  return result;
}

}  // namespace tolvane::testing
