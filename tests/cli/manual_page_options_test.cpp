// The manual page lists the options --help lists, by the same names and in
// the same order.  --help is made from the option table; the page is
// written by hand, so an option added to or renamed in the table must reach
// it too.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/run_cli.h"

namespace tolvane::cli {
namespace {

// The options of --help's list: the lines of its section that start with
// two blanks and "-", up to the blanks before the description.
std::vector<std::string> help_options(const std::string& help) {
  const std::size_t section = help.find("选项：\n");
  if (section == std::string::npos) return {};
  std::istringstream lines(help.substr(section));
  std::string line;
  std::getline(lines, line);  // the heading
  std::vector<std::string> options;
  while (std::getline(lines, line) && !line.empty()) {
    if (line.starts_with("  -")) options.push_back(line.substr(2, line.find("  ", 2) - 2));
  }
  return options;
}

// A font macro's arguments as troff sets them, run together: ".BR \-h ", "
// \-\-help" is "-h, --help".
std::string set_text(const std::string& macro_line) {
  std::string text;
  bool quoted = false;
  for (std::size_t k = macro_line.find(' '); k < macro_line.size(); ++k) {
    const char c = macro_line[k];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == '\\' && macro_line.compare(k, 2, "\\-") == 0) {
      text += '-';
      ++k;
    } else if (c != ' ' || quoted) {
      text += c;
    }
  }
  return text;
}

// The options of the page's 选项 section: the tag line after each .TP.
std::vector<std::string> manual_options(std::istream& page) {
  std::vector<std::string> options;
  std::string line;
  bool in_section = false;
  while (std::getline(page, line)) {
    if (line.starts_with(".SH ")) {
      in_section = line == ".SH 选项";
    } else if (in_section && line == ".TP" && std::getline(page, line)) {
      options.push_back(set_text(line));
    }
  }
  return options;
}

TEST(ManualPage, ListsTheOptionsOfHelpInItsOrder) {
  std::ifstream page(TOLVANE_MANUAL_PAGE_TEXT);
  ASSERT_TRUE(page) << TOLVANE_MANUAL_PAGE_TEXT;
  const std::vector<std::string> listed = help_options(testing::run_cli({"--help"}).out);
  // Two empty lists would agree: a --help whose list this cannot read fails.
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(manual_options(page), listed);
}

}  // namespace
}  // namespace tolvane::cli
