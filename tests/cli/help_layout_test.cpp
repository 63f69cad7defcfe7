// --help as a terminal shows it: every line within 80 columns with Chinese
// counted double, no line opening on closing punctuation or ending on
// opening punctuation, and each option's words from the table said whole,
// in the table's order; and the wrapping rules themselves, row by row.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/line_breaking.h"
#include "cli/option_table.h"
#include "tests/cli/run_cli.h"

namespace tolvane::cli {
namespace {

// Columns counted apart from the code under test: a character of three or
// four UTF-8 bytes (Chinese, full-width punctuation, “”…→) takes two.
std::size_t columns(std::string_view line) {
  std::size_t width = 0;
  for (std::size_t k = 0; k < line.size();) {
    const auto lead = static_cast<unsigned char>(line[k]);
    const std::size_t size = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += size >= 3 ? 2 : 1;
    k += size;
  }
  return width;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

std::string without_blanks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\n') out += c;
  }
  return out;
}

TEST(HelpLayout, EveryLineFitsEightyColumnsAndBreaksWhereChineseMay) {
  const testing::CliResult help = testing::run_cli({"--help"});
  ASSERT_EQ(help.status, exit_all_copied);
  const std::vector<std::string> lines = lines_of(help.out);
  ASSERT_GT(lines.size(), 30u);
  for (const std::string& line : lines) {
    EXPECT_LE(columns(line), 80u) << line;
    const std::string trimmed =
        line.substr(line.find_first_not_of(' ') == std::string::npos ? line.size()
                                                                     : line.find_first_not_of(' '));
    for (std::string_view closing : {"，", "。", "；", "：", "、", "）", "】", "”", "…"}) {
      EXPECT_FALSE(trimmed.starts_with(closing)) << line;
    }
    for (std::string_view opening : {"（", "【", "“"}) {
      EXPECT_FALSE(line.ends_with(opening)) << line;
    }
    EXPECT_FALSE(line.ends_with(' ')) << "[" << line << "]";
  }
}

TEST(HelpLayout, SaysEachOptionsWordsWholeInTheTablesOrder) {
  const std::string help = testing::run_cli({"--help"}).out;
  const std::string run_together = without_blanks(help);
  std::size_t at = 0;
  for (const OptionRow& row : option_table()) {
    // The label starts its line; the words follow it, broken only between
    // lines, and a Latin word (a path, a field name) never in two.
    const std::size_t label = help.find("\n  " + option_label(row), 0);
    ASSERT_NE(label, std::string::npos) << option_label(row);
    const std::size_t words = run_together.find(without_blanks(row.words.help), at);
    ASSERT_NE(words, std::string::npos) << row.words.help;
    at = words;
    std::size_t start = 0;
    const std::string_view text = row.words.help;
    while (start < text.size()) {
      std::size_t end = start;
      while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80 &&
             text[end] != ' ') {
        ++end;
      }
      if (end - start > 1) {
        EXPECT_NE(help.find(std::string(text.substr(start, end - start))), std::string::npos)
            << "split: " << text.substr(start, end - start);
      }
      start = end + 1;
    }
  }
}

struct WrapRow {
  const char* name;
  std::string_view text;
  std::size_t width;
  std::vector<std::string> lines;
};

TEST(WrapLines, BreaksAsChineseTextDoes) {
  const std::vector<WrapRow> rows{
      {"between Chinese characters", "读取文件夹树", 6, {"读取文", "件夹树"}},
      {"closing punctuation stays with what it closes", "读取，拷贝", 4, {"读", "取，", "拷贝"}},
      {"opening punctuation goes with what it opens", "读读（取）", 6, {"读读", "（取）"}},
      {"a blank breaks and goes", "copy the files", 9, {"copy the", "files"}},
      {"a Chinese character keeps its Latin neighbour", "勾选目录off", 9, {"勾选目", "录off"}},
      {"a word wider than the line stays whole",
       "见 source_hex 字段",
       6,
       {"见", "source_hex", "字段"}},
      {"a line break is kept", "一\n\n二", 80, {"一", "", "二"}},
      {"a text that fits is one line", "--json 每行一个对象", 80, {"--json 每行一个对象"}},
  };
  for (const WrapRow& row : rows) {
    EXPECT_EQ(app::wrap_lines(row.text, row.width), row.lines) << row.name;
  }
}

}  // namespace
}  // namespace tolvane::cli
