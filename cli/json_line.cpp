// The JSON writer behind --json.
#include "cli/json_line.h"

#include <cstdint>

namespace tolvane::cli {
namespace {

// The length of the well-formed UTF-8 sequence at `text[at]`, or 0.
std::size_t utf8_length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t lowest = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, lowest = 0x80, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, lowest = 0x800, code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, lowest = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0u) != 0x80u) return 0;
    code = (code << 6) | (byte(k) & 0x3Fu);
  }
  if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool is_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_length(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string json_string(std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_length(text, at);
    if (length == 0) {
      out += "\\ufffd";
      ++at;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[at]);
    if (length > 1) {
      out.append(text.substr(at, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
    at += length;
  }
  out += '"';
  return out;
}

void JsonLine::key(std::string_view name) {
  if (body_.size() > 1) body_ += ',';
  body_ += json_string(name);
  body_ += ':';
}

JsonLine& JsonLine::text(std::string_view name, std::string_view value) {
  key(name);
  body_ += json_string(value);
  if (!is_utf8(value)) {
    static constexpr char hex[] = "0123456789abcdef";
    key(std::string(name) + "_hex");
    body_ += '"';
    for (const char c : value) {
      body_ += hex[static_cast<unsigned char>(c) >> 4];
      body_ += hex[static_cast<unsigned char>(c) & 0xF];
    }
    body_ += '"';
  }
  return *this;
}

JsonLine& JsonLine::number(std::string_view name, std::size_t value) {
  key(name);
  body_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::boolean(std::string_view name, bool value) {
  key(name);
  body_ += value ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::null(std::string_view name) {
  key(name);
  body_ += "null";
  return *this;
}

}  // namespace tolvane::cli
