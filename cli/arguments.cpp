// Turns the argument list into Options or a usage message naming the fault.
#include <string>
#include <string_view>

#include "app/command_line_texts.h"
#include "cli/option_table.h"
#include "cli/options.h"

namespace tolvane::cli {
namespace {

struct Match {
  const OptionRow* row = nullptr;  // null: no option of the table
  bool joined = false;             // "--ext=TEXT": the value follows the "="
  std::string_view value;          // the joined value
};

Match match_option(std::string_view argument) {
  for (const OptionRow& row : option_table()) {
    if (argument == row.long_name || (!row.short_name.empty() && argument == row.short_name)) {
      return {&row, false, {}};
    }
    // Only an option with a value takes "=": "--flat=1" is no option.
    if (row.takes_value && argument.starts_with(row.long_name) &&
        argument.substr(row.long_name.size()).starts_with('=')) {
      return {&row, true, argument.substr(row.long_name.size() + 1)};
    }
  }
  return {};
}

}  // namespace

ParsedArguments parse_arguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& options = parsed.options;
  std::vector<std::string> positional;
  bool options_ended = false;
  const OptionRow* not_with_undo = nullptr;  // the first option given that --undo does not take
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string& argument = arguments[k];
    if (options_ended || argument == "-" || !argument.starts_with("-")) {
      positional.push_back(argument);
      continue;
    }
    const Match match = match_option(argument);
    if (match.row == nullptr) {
      parsed.error = app::command_line::unknown_option(argument);
      return parsed;
    }
    if (match.row->apply == nullptr) {
      options_ended = true;
      continue;
    }
    std::string_view value = match.value;
    if (match.row->takes_value && !match.joined) {
      // "--ext --flat" lacks its text; "--ext=--flat" would be one.
      if (k + 1 == arguments.size() || arguments[k + 1].starts_with("--")) {
        parsed.error = match.row->words.missing_value;
        return parsed;
      }
      value = arguments[++k];
    }
    match.row->apply(options, value);
    if (!match.row->with_undo && not_with_undo == nullptr) not_with_undo = match.row;
  }
  if (options.help) return parsed;
  if (options.undo && not_with_undo != nullptr) {
    parsed.error = app::command_line::not_with_undo(not_with_undo->long_name);
    return parsed;
  }
  if (options.undo) {
    if (positional.size() != 1) {
      parsed.error = positional.empty() ? std::string(app::command_line::undo_without_destination)
                                        : app::command_line::extra_argument(positional[1]);
    } else {
      options.destination = positional[0];
    }
    return parsed;
  }
  if (positional.empty()) {
    parsed.error = app::command_line::missing_source_and_destination;
  } else if (positional.size() == 1) {
    parsed.error = app::command_line::missing_destination;
  } else if (positional.size() > 2) {
    parsed.error = app::command_line::extra_argument(positional[2]);
  } else {
    options.source = positional[0];
    options.destination = positional[1];
  }
  return parsed;
}

}  // namespace tolvane::cli
