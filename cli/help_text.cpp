// --help laid out: the usage, what the command does, each option from the
// option table (which the manual page reads too, so a new option shows in
// both by being declared there) and the exit statuses, each text wrapped to
// 80 columns.  The words are app/'s (command_line_help.h).
#include "cli/help_text.h"

#include <array>
#include <string_view>

#include "app/command_line_help.h"
#include "app/line_breaking.h"
#include "cli/option_table.h"

namespace tolvane::cli {
namespace {

using namespace app::command_line;

// A terminal's width; Chinese characters take two columns of it.
constexpr std::size_t line_width = 80;

// Where an option's description starts, so the descriptions line up.
constexpr std::size_t option_column = 15;
constexpr std::size_t status_column = 7;

// `text` wrapped from `column` to the line's end, `lead` before its first
// line; a lead that leaves less than two blanks before `column` takes a line
// of its own.
void append_wrapped(std::string& out, std::string_view lead, std::size_t column,
                    std::string_view text) {
  out.append(lead);
  const std::size_t used = app::display_width(lead);
  if (used + 2 <= column) {
    out.append(column - used, ' ');
  } else if (used > 0) {
    out.append("\n").append(column, ' ');
  }
  bool first = true;
  for (const std::string& line : app::wrap_lines(text, line_width - column)) {
    if (!first) out.append(column, ' ');
    out.append(line).append("\n");
    first = false;
  }
}

}  // namespace

std::string help_text() {
  std::string text(help_synopsis);
  for (std::string_view paragraph : help_description) {
    text.append("\n");
    append_wrapped(text, "", 0, paragraph);
  }
  text.append("\n").append(options_heading).append("\n");
  for (const OptionRow& row : option_table()) {
    append_wrapped(text, "  " + option_label(row), option_column, row.words.help);
  }
  text.append("\n");
  append_wrapped(text, "", 0, help_closing);
  text.append("\n").append(exit_status_heading).append("\n");
  for (const ExitStatusWords& exit : exit_status_words) {
    append_wrapped(text, std::string("  ").append(exit.status), status_column, exit.meaning);
  }
  return text;
}

}  // namespace tolvane::cli
