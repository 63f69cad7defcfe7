// The journal's text: one record a line, its fields separated by tabs, and
// a tab, a line break or a backslash inside a path written as \t, \n, \\.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvane::journal {

// `fields` joined into one line, ending in "\n".
std::string line_of(const std::vector<std::string>& fields);

// The fields of one line (without its "\n").
std::vector<std::string> fields_of(std::string_view line);

}  // namespace tolvane::journal
