// The options of tolvane-cli, each declared once: the parser recognises
// them from this table, and --help and the manual page describe them from
// it, so none of the three can drift from the others.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/command_line_help.h"
#include "cli/options.h"

namespace tolvane::cli {

struct OptionRow {
  std::string_view long_name;   // "--ext"
  std::string_view short_name;  // "-h", or empty
  // What --help shows after the name ("TEXT"), or empty.  --undo shows DEST,
  // which the parser still reads as the one positional argument.
  std::string_view argument_name;
  // The option's own value follows it ("--ext .png") or is joined with "="
  // ("--ext=.png"); only such an option takes "=".
  bool takes_value;
  // Its words: the message when the value is missing (the next argument is
  // absent or is itself an option; used only when takes_value), what it
  // does in one paragraph (--help wraps it to its column, and the manual
  // page says it first), and what the manual page says after that, or
  // empty.  Plain text: the page sets option names in bold and SOURCE,
  // DEST and TEXT in italics itself.
  const app::command_line::OptionWords& words;
  // Sets Options from the option (and its value, empty for a switch); null
  // for "--", which ends the options instead.
  void (*apply)(Options& options, std::string_view value);
  // --undo takes it too; one it does not take ends the command, named.
  bool with_undo = true;
};

// Every option, in the order --help and the manual page list them.
std::span<const OptionRow> option_table();

// The option as --help and the manual page name it: "--ext TEXT",
// "-h, --help".
std::string option_label(const OptionRow& row);

}  // namespace tolvane::cli
