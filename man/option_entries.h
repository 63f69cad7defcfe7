// The manual page's list of tolvane-cli's options, made from the option
// table that the parser and --help read: each option's words are written
// once.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::man {

// One .TP entry per option, in the table's order, in UTF-8 troff: the option
// as --help names it, then its help words and the page's further words.
// No '\n' after the last, which the template's line ends.
std::string option_entries();

// `text`, plain words from the table, as troff running text: option names
// (--ext) bold, the arguments SOURCE, DEST and TEXT in italics, backslashes
// and hyphens of options escaped, and a leading dot kept from being read as
// a request.
std::string marked_text(std::string_view text);

}  // namespace tolvane::man
