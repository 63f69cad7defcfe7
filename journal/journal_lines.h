// The journal's text: one record a line, its fields separated by tabs, and
// a tab, a line break or a backslash inside a path written as \t, \n, \\.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fsys/kept_file.h"

namespace tolvane::journal {

// `fields` joined into one line, ending in "\n".
std::string line_of(const std::vector<std::string>& fields);

// The fields of one line (without its "\n").
std::vector<std::string> fields_of(std::string_view line);

// Where a replaced file went, as a journal line spells it, and back; a word
// that is none of them reads as nowhere.
std::string_view kept_word(fsys::KeptIn where);
fsys::KeptIn kept_in(std::string_view word);

}  // namespace tolvane::journal
