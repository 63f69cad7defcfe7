// The strict JSON reader of the command-line tests.
#include "tests/cli/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace tolvane::cli::testing {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonObject> object() {
    JsonObject result;
    if (!take('{')) return std::nullopt;
    if (take('}')) return finished(result);
    do {
      std::optional<std::string> key = string();
      if (!key || !take(':')) return std::nullopt;
      std::optional<JsonValue> item = value();
      if (!item || !result.emplace(*key, *item).second) return std::nullopt;
    } while (take(','));
    if (!take('}')) return std::nullopt;
    return finished(result);
  }

 private:
  std::optional<JsonObject> finished(JsonObject& result) {
    return at_ == text_.size() ? std::optional<JsonObject>(std::move(result)) : std::nullopt;
  }
  bool take(char c) {
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  bool word(std::string_view w) {
    if (text_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  std::optional<JsonValue> value() {
    JsonValue v;
    if (at_ < text_.size() && text_[at_] == '"') {
      std::optional<std::string> s = string();
      if (!s) return std::nullopt;
      v.kind = JsonValue::Kind::string, v.text = *s;
    } else if (word("true")) {
      v.kind = JsonValue::Kind::boolean, v.flag = true;
    } else if (word("false")) {
      v.kind = JsonValue::Kind::boolean, v.flag = false;
    } else if (word("null")) {
      v.kind = JsonValue::Kind::null;
    } else {
      const std::size_t start = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      if (at_ == start) return std::nullopt;
      v.kind = JsonValue::Kind::number, v.text = std::string(text_.substr(start, at_ - start));
    }
    return v;
  }

  std::optional<unsigned> hex4() {
    if (at_ + 4 > text_.size()) return std::nullopt;
    unsigned code = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= unsigned(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= unsigned(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= unsigned(c - 'A' + 10);
      else
        return std::nullopt;
    }
    return code;
  }

  static void append_utf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += char(code);
    } else if (code < 0x800) {
      out += char(0xC0 | (code >> 6)), out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += char(0xE0 | (code >> 12)), out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    } else {
      out += char(0xF0 | (code >> 18)), out += char(0x80 | ((code >> 12) & 0x3F));
      out += char(0x80 | ((code >> 6) & 0x3F)), out += char(0x80 | (code & 0x3F));
    }
  }

  std::optional<std::string> string() {
    if (!take('"')) return std::nullopt;
    std::string out;
    while (at_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') return out;
      if (c < 0x20) return std::nullopt;
      if (c >= 0x80) {
        // Raw UTF-8 must be well formed: decode and re-encode it.
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || at_ + length - 1 > text_.size() || c > 0xF4) return std::nullopt;
        std::uint32_t code = c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
          const unsigned char next = static_cast<unsigned char>(text_[at_++]);
          if ((next & 0xC0) != 0x80) return std::nullopt;
          code = (code << 6) | (next & 0x3F);
        }
        const std::uint32_t lowest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
          return std::nullopt;
        }
        append_utf8(out, code);
        continue;
      }
      if (c != '\\') {
        out += char(c);
        continue;
      }
      if (at_ >= text_.size()) return std::nullopt;
      const char e = text_[at_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::optional<unsigned> code = hex4();
          if (!code || (*code >= 0xDC00 && *code <= 0xDFFF)) return std::nullopt;
          if (*code >= 0xD800 && *code <= 0xDBFF) {
            if (!word("\\u")) return std::nullopt;
            const std::optional<unsigned> low = hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
            *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          }
          append_utf8(out, *code);
          break;
        }
        default:
          return std::nullopt;
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
