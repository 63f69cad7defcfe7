// Each option's names and what it sets; its words for --help and the manual
// page are app/'s (command_line_help.h).
#include "cli/option_table.h"

#include <array>

namespace tolvane::cli {
namespace {

using namespace app::command_line;

constexpr std::array<OptionRow, 8> table{{
    {"--ext", "", "TEXT", true, ext_words,
     [](Options& options, std::string_view value) { options.extension = value; }, false},
    {"--flat", "", "", false, flat_words,
     [](Options& options, std::string_view) { options.flat = true; }, false},
    {"--dry-run", "", "", false, dry_run_words,
     [](Options& options, std::string_view) { options.dry_run = true; }},
    {"--dot-folders", "", "", false, dot_folders_words,
     [](Options& options, std::string_view) { options.dot_folders = true; }, false},
    {"--json", "", "", false, json_words,
     [](Options& options, std::string_view) { options.json = true; }},
    {"--undo", "", "DEST", false, undo_words,
     [](Options& options, std::string_view) { options.undo = true; }},
    {"--help", "-h", "", false, help_words,
     [](Options& options, std::string_view) { options.help = true; }},
    {"--", "", "", false, end_of_options_words, nullptr},
}};

}  // namespace

std::span<const OptionRow> option_table() { return table; }

std::string option_label(const OptionRow& row) {
  std::string label;
  if (!row.short_name.empty()) label.append(row.short_name).append(", ");
  label.append(row.long_name);
  if (!row.argument_name.empty()) label.append(" ").append(row.argument_name);
  return label;
}

}  // namespace tolvane::cli
