// One JSON object on one line, for --json.  Texts are the core's bytes: a
// text that is valid UTF-8 is written as a JSON string; one that is not (a
// POSIX name in another encoding) is written with U+FFFD for each byte that
// is not UTF-8, and its exact bytes go beside it in "<key>_hex".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvane::cli {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool is_utf8(std::string_view text);

// `text` as a quoted JSON string: the escapes JSON needs, control characters
// as \u00XX, every byte that is not part of UTF-8 as U+FFFD.
std::string json_string(std::string_view text);

class JsonLine {
 public:
  JsonLine& text(std::string_view key, std::string_view value);
  JsonLine& number(std::string_view key, std::size_t value);
  JsonLine& boolean(std::string_view key, bool value);
  JsonLine& null(std::string_view key);
  // The object, closed, without a line end.
  std::string str() const { return body_ + "}"; }

 private:
  void key(std::string_view name);
  std::string body_ = "{";
};

}  // namespace tolvane::cli
