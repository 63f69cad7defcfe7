// A manual page written in UTF-8 made into the ASCII troff that man reads
// with or without preconv: every character beyond ASCII as \[uXXXX], and a
// break point (\:) wherever a line may end inside Chinese text, which has no
// blanks for troff to break at.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::man {

// `page` (UTF-8 troff, lines ending in '\n') as ASCII troff.  Two input
// lines of Chinese text are joined without the blank troff would set
// between them.
std::string troff_page(std::string_view page);

}  // namespace tolvane::man
