// A strict reader for the flat JSON objects --json writes, written apart from
// the writer so the tests catch its faults: it refuses raw control
// characters, bytes that are not UTF-8 and lone surrogates.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::cli::testing {

// A value: a string (decoded to UTF-8), a number, true/false, or null.
struct JsonValue {
  enum class Kind { string, number, boolean, null } kind = Kind::null;
  std::string text;   // string; the number's digits
  bool flag = false;  // boolean
};

using JsonObject = std::map<std::string, JsonValue>;

// The object on `line`, or nothing when it is not one well-formed flat object.
std::optional<JsonObject> parse_json_object(std::string_view line);

// Every line of `output` parsed; a line that fails is a test failure.
std::vector<JsonObject> parse_json_lines(const std::string& output);

// The exact bytes of a path field: "<key>_hex" decoded when present,
// otherwise the string itself.
std::string path_bytes(const JsonObject& object, const std::string& key);

}  // namespace tolvane::cli::testing
