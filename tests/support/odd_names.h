// File names that trip up careless code: blanks, quotes, brackets, "(1)", a
// leading "-", control characters, CJK and emoji, bytes that are not UTF-8,
// 255 bytes, wildcard and backslash characters.  All legal on POSIX.
#pragma once

#include <string>
#include <vector>

namespace tolvane::testing {

inline std::vector<std::string> odd_file_names() {
  return {
      "with blanks .jpg",
      "\"quoted\" 'too'.jpg",
      "[brackets]{and}(parens).jpg",
      "trip(1).jpg",
      "-starts-with-dash.jpg",
      "new\nline.jpg",
      "tab\there.jpg",
      "照片 旅行.jpg",
      "🎉🐱.jpg",
      "bad\xff\xfe utf8.jpg",
      "\xc3(.jpg",
      std::string(251, 'n') + ".jpg",
      "back\\slash.jpg",
      "*star?.jpg",
      " .jpg",
  };
}

}  // namespace tolvane::testing
