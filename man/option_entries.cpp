// The options' entries of tolvane-cli's manual page, from the option table.
#include "man/option_entries.h"

#include <array>

#include "cli/option_table.h"

namespace tolvane::man {
namespace {

constexpr std::array<std::string_view, 3> arguments{"SOURCE", "DEST", "TEXT"};

bool is_word_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The length of an option name ("--ext", "-h", "--") starting at `text[k]`,
// or 0.
std::size_t option_length(std::string_view text, std::size_t k) {
  if (text[k] != '-' || (k > 0 && (is_word_character(text[k - 1]) || text[k - 1] == '-'))) return 0;
  std::size_t end = k + 1;
  if (end < text.size() && text[end] == '-') ++end;
  while (end < text.size() && (is_word_character(text[end]) || text[end] == '-')) ++end;
  const std::string_view name = text.substr(k, end - k);
  for (const cli::OptionRow& row : cli::option_table()) {
    if (name == row.long_name || (!row.short_name.empty() && name == row.short_name)) {
      return end - k;
    }
  }
  return 0;
}

// The length of SOURCE, DEST or TEXT standing as a word at `text[k]`, or 0.
std::size_t argument_length(std::string_view text, std::size_t k) {
  if (k > 0 && is_word_character(text[k - 1])) return 0;
  for (std::string_view argument : arguments) {
    const std::size_t end = k + argument.size();
    if (text.substr(k, argument.size()) == argument &&
        (end == text.size() || !is_word_character(text[end]))) {
      return argument.size();
    }
  }
  return 0;
}

std::string escaped_option(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string marked_text(std::string_view text) {
  std::string out;
  if (text.starts_with('.') || text.starts_with('\'')) out = "\\&";
  for (std::size_t k = 0; k < text.size();) {
    if (const std::size_t length = option_length(text, k)) {
      out.append("\\fB").append(escaped_option(text.substr(k, length))).append("\\fR");
      k += length;
    } else if (const std::size_t word = argument_length(text, k)) {
      out.append("\\fI").append(text.substr(k, word)).append("\\fR");
      k += word;
    } else {
      out.append(text[k] == '\\' ? "\\e" : std::string(1, text[k]));
      ++k;
    }
  }
  return out;
}

std::string option_entries() {
  std::string out;
  for (const cli::OptionRow& row : cli::option_table()) {
    out.append(".TP\n").append(marked_text(cli::option_label(row))).append("\n");
    out.append(marked_text(row.words.help));
    if (!row.words.manual.empty()) out.append(marked_text(row.words.manual));
    out.append("\n");
  }
  // The template's line ends the last entry.
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace tolvane::man
