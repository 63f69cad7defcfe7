// Chinese text mixed with Latin words, laid out in columns: how wide it
// stands in a terminal and where a line may end.  --help wraps its texts by
// these rules, and the manual pages tell troff where it may break them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::app {

// One character of a UTF-8 text: where its bytes lie and what it is.  The
// texts are the program's own, well-formed; a sequence cut short by the
// text's end is one U+FFFD.
struct TextCharacter {
  std::size_t offset;
  std::size_t size;
  char32_t code;
};

std::vector<TextCharacter> text_characters(std::string_view text);

// Punctuation no line may start with (，。）】”…), and punctuation no line
// may end with (（【“).
bool is_closing(char32_t code);
bool is_opening(char32_t code);

// True for the characters a terminal shows two columns wide: Chinese and
// full-width forms, and the punctuation and arrows set with them (“”‘’…→).
bool is_wide(char32_t code);

// The columns `text` takes in a terminal, wide characters counted double.
std::size_t display_width(std::string_view text);

// True when a line may end between `before` and `after`, neither a blank:
// between two Chinese characters and after closing punctuation; never
// before closing punctuation (，。）】”…) nor after opening punctuation
// (（【“).
bool may_break_between(char32_t before, char32_t after);

// `text` laid out in lines of at most `width` columns, broken at blanks (which
// the break swallows) and where may_break_between allows; '\n' always ends a
// line.  A word wider than `width` stands alone on an overlong line.
std::vector<std::string> wrap_lines(std::string_view text, std::size_t width);

}  // namespace tolvane::app
