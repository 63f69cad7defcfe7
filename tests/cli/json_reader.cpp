// The strict JSON reader of the command-line tests.  It reads no more of
// JSON than --json may write: a flat object of strings, whole numbers,
// booleans and null; anything else is refused, so a writer fault shows.
#include "tests/cli/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace tolvane::cli::testing {
namespace {

void append_utf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
  } else {
    out +=
        {char(0xE0 | (code >> 12)), char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
  }
}

// The length of the well-formed UTF-8 character at `text[at]`, or 0.
std::size_t utf8_length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  const std::size_t length = lead < 0xC2   ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || at + length > text.size()) return 0;
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3F);
  }
  const std::uint32_t lowest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonObject> object() {
    JsonObject result;
    if (!take("{")) return std::nullopt;
    do {
      std::optional<std::string> key = string();
      std::optional<JsonValue> item = key && take(":") ? value() : std::nullopt;
      if (!item || !result.emplace(*key, *item).second) return std::nullopt;
    } while (take(","));
    if (!take("}") || at_ != text_.size()) return std::nullopt;
    return result;
  }

 private:
  bool take(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  std::optional<JsonValue> value() {
    JsonValue v;
    if (take("true")) {
      v.kind = JsonValue::Kind::boolean, v.flag = true;
    } else if (take("false")) {
      v.kind = JsonValue::Kind::boolean;
    } else if (take("null")) {
      v.kind = JsonValue::Kind::null;
    } else if (at_ < text_.size() && text_[at_] == '"') {
      std::optional<std::string> s = string();
      if (!s) return std::nullopt;
      v.kind = JsonValue::Kind::string, v.text = std::move(*s);
    } else {
      const std::size_t start = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      if (at_ == start) return std::nullopt;
      v.kind = JsonValue::Kind::number, v.text = std::string(text_.substr(start, at_ - start));
    }
    return v;
  }

  std::optional<std::string> string() {
    if (!take("\"")) return std::nullopt;
    std::string out;
    while (at_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') return ++at_, out;
      if (c < 0x20) return std::nullopt;  // raw control characters are not JSON
      if (c >= 0x80) {
        const std::size_t length = utf8_length(text_, at_);
        if (length == 0) return std::nullopt;
        out.append(text_.substr(at_, length));
        at_ += length;
      } else if (c != '\\') {
        out += char(c), ++at_;
      } else if (take("\\u")) {
        // Four hex digits; our writer never needs a surrogate pair.
        if (at_ + 4 > text_.size()) return std::nullopt;
        std::size_t used = 0;
        const unsigned long code = std::stoul(std::string(text_.substr(at_, 4)), &used, 16);
        if (used != 4 || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        append_utf8(out, static_cast<std::uint32_t>(code));
        at_ += 4;
      } else {
        static constexpr std::string_view escapes = "\"\"\\\\n\nt\tr\rb\bf\f//";
        const std::size_t found = at_ + 1 < text_.size() ? escapes.find(text_[at_ + 1]) : 0;
        if (at_ + 1 >= text_.size() || found == std::string_view::npos || found % 2) {
          return std::nullopt;
        }
        out += escapes[found + 1];
        at_ += 2;
      }
    }
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<JsonObject> parse_json_object(std::string_view line) { return Reader(line).object(); }

std::vector<JsonObject> parse_json_lines(const std::string& output) {
  std::vector<JsonObject> objects;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::optional<JsonObject> object = parse_json_object(line);
    EXPECT_TRUE(object) << "not a flat JSON object: " << line;
    if (object) objects.push_back(std::move(*object));
  }
  return objects;
}

std::string path_bytes(const JsonObject& object, const std::string& key) {
  const auto hex = object.find(key + "_hex");
  if (hex == object.end()) return object.at(key).text;
  std::string bytes;
  for (std::size_t k = 0; k + 1 < hex->second.text.size(); k += 2) {
    bytes += static_cast<char>(std::stoi(hex->second.text.substr(k, 2), nullptr, 16));
  }
  return bytes;
}

}  // namespace tolvane::cli::testing
