// Makes one manual page: its template with every @name@ filled in (the
// version, the date, tolvane-cli's options, the program's own words), then
// turned into the ASCII troff man reads.
//   tolvane_man_page TEMPLATE VERSION DATE OUTPUT
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "man/option_entries.h"
#include "man/program_words.h"
#include "man/troff_page.h"

namespace {

bool is_name_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// `page` with each @name@ replaced by `words`' entry, or by `requests`'
// (troff lines, set in as they are); false, naming it in `problem`, for a
// name neither holds.
bool filled(std::string_view page, const std::map<std::string, std::string>& words,
            const std::map<std::string, std::string>& requests, std::string& out,
            std::string& problem) {
  for (std::size_t k = 0; k < page.size(); ++k) {
    if (page[k] != '@') {
      out.push_back(page[k]);
      continue;
    }
    std::size_t end = k + 1;
    while (end < page.size() && is_name_character(page[end])) ++end;
    const std::string name(page.substr(k + 1, end - k - 1));
    k = end;
    if (end < page.size() && page[end] == '@') {
      if (const auto request = requests.find(name); request != requests.end()) {
        out.append(request->second);
        continue;
      }
      if (const auto word = words.find(name); word != words.end()) {
        // A word that opens a line must not be read as a request (".jpg").
        const bool line_start = out.empty() || out.back() == '\n';
        if (line_start && (word->second.starts_with('.') || word->second.starts_with('\''))) {
          out.append("\\&");
        }
        // A backslash in a word is the character, not an escape.
        for (char c : word->second) out.append(c == '\\' ? "\\e" : std::string(1, c));
        continue;
      }
    }
    problem = "no word for @" + name + "@";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: tolvane_man_page TEMPLATE VERSION DATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream page;
  page << in.rdbuf();
  if (!in) {
    std::cerr << "tolvane_man_page: cannot read " << argv[1] << '\n';
    return 1;
  }
  std::map<std::string, std::string> words = tolvane::man::program_words();
  words["VERSION"] = argv[2];
  words["DATE"] = argv[3];
  const std::map<std::string, std::string> requests{{"options", tolvane::man::option_entries()}};

  std::string text;
  std::string problem;
  if (!filled(page.str(), words, requests, text, problem)) {
    std::cerr << argv[1] << ": " << problem << '\n';
    return 1;
  }
  std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
  out << tolvane::man::troff_page(text);
  out.close();
  if (!out) {
    std::cerr << "tolvane_man_page: cannot write " << argv[4] << '\n';
    return 1;
  }
  return 0;
}
