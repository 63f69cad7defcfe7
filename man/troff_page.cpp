// Chinese text made into ASCII troff that breaks where Chinese may break.
#include "man/troff_page.h"

#include <array>
#include <cstdio>
#include <vector>

#include "app/line_breaking.h"

namespace tolvane::man {
namespace {

using app::is_closing;
using app::is_opening;
using app::is_wide;
using app::may_break_between;

// The macros that set their arguments in a font within the running text.
constexpr std::array<std::string_view, 8> font_macros{".B ",  ".I ",  ".BR ", ".RB ",
                                                      ".IR ", ".RI ", ".BI ", ".IB "};

bool is_text(std::string_view line) {
  return !line.empty() && !line.starts_with('.') && !line.starts_with('\'');
}

// The text a line sets: all of a text line, a font macro's arguments, nothing
// of any other request.
std::string_view set_text(std::string_view line) {
  if (is_text(line)) return line;
  for (std::string_view macro : font_macros) {
    if (line.starts_with(macro)) return line.substr(macro.size());
  }
  return {};
}

std::u32string codes(std::string_view line) {
  std::u32string out;
  for (const app::TextCharacter& character : app::text_characters(line)) {
    out.push_back(character.code);
  }
  return out;
}

std::string escaped(const std::u32string& line) {
  std::string out;
  for (std::size_t k = 0; k < line.size(); ++k) {
    if (line[k] < 0x80) {
      out.push_back(static_cast<char>(line[k]));
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "\\[u%04X]", static_cast<unsigned>(line[k]));
      out.append(code);
    }
    if (k + 1 < line.size() && line[k] != U' ' && line[k + 1] != U' ' &&
        may_break_between(line[k], line[k + 1])) {
      out.append("\\:");
    }
  }
  return out;
}

}  // namespace

std::string troff_page(std::string_view page) {
  std::vector<std::string_view> lines;
  for (std::size_t end = page.find('\n'); end != std::string_view::npos; end = page.find('\n')) {
    lines.push_back(page.substr(0, end));
    page.remove_prefix(end + 1);
  }
  if (!page.empty()) lines.push_back(page);

  std::string out;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string_view line = lines[k];
    const std::string_view after = k + 1 < lines.size() ? lines[k + 1] : std::string_view();
    const std::u32string line_codes = codes(line);
    out.append(escaped(line_codes));
    // Where the next line goes on with the same run of text, troff would
    // put a blank between the two: Chinese wants none.  The line after .TP
    // is a tag, which ends where its line ends.
    const std::u32string before = codes(set_text(line));
    const std::u32string next = codes(set_text(after));
    const bool tag = k > 0 && lines[k - 1].starts_with(".TP");
    if (!tag && !before.empty() && !next.empty()) {
      const char32_t last = before.back();
      const char32_t first = next.front();
      if (is_closing(last)) {
        out.append("\\:\\c");
      } else if (is_opening(first)) {
        out.append("\\:\\c");
      } else if (is_closing(first)) {
        out.append("\\c");
      } else if (is_wide(last) && is_wide(first)) {
        out.append(may_break_between(last, first) ? "\\:\\c" : "\\c");
      }
    }
    out.append("\n");
  }
  return out;
}

}  // namespace tolvane::man
