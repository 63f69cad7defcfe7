// The manual pages as man shows them: made by the build's tool, rendered by
// groff.  tolvane-cli's page says each option's words from the option table,
// in its order; the window's page names the captions the window shows;
// Chinese text joins across the template's lines without blanks and breaks
// only where Chinese may; a template word the program lacks stops the build.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "cli/option_table.h"
#include "form/form1.h"
#include "form/form1_layout.h"
#include "fsys/file_system.h"
#include "tests/form/fake_form1_controls.h"
#include "tests/support/temp_tree.h"

namespace tolvane::man {
namespace {

// What `command` printed on its standard output, and its exit status.
struct Ran {
  std::string out;
  int status = -1;
};

Ran run(const std::string& command) {
  Ran ran;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return ran;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    ran.out.append(buffer, got);
  }
  ran.status = ::pclose(pipe);
  return ran;
}

// The page as man shows it, `width` ens wide, without bold or underlining.
std::string rendered(const std::string& page, int width = 200) {
  return run("groff -man -Tutf8 -P-cbou -rLL=" + std::to_string(width) + "n '" + page +
             "' 2>/dev/null")
      .out;
}

std::string without_blanks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\n') out += c;
  }
  return out;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;
}

const std::string pages = TOLVANE_MAN_PAGES_DIR;

TEST(ManualPages, CommandLinePageSaysEachOptionsWordsInTheTablesOrder) {
  const std::string page = without_blanks(rendered(pages + "/tolvane-cli.1"));
  const std::size_t section = page.find("选项");
  ASSERT_NE(section, std::string::npos) << page;
  std::size_t at = section;
  for (const cli::OptionRow& row : cli::option_table()) {
    const std::string entry = without_blanks(cli::option_label(row)) +
                              without_blanks(row.words.help) + without_blanks(row.words.manual);
    const std::size_t found = page.find(entry, at);
    EXPECT_NE(found, std::string::npos) << "not said whole, or out of order: " << entry;
    if (found != std::string::npos) at = found + entry.size();
  }
}

TEST(ManualPages, WindowPageNamesWhatTheWindowShows) {
  form::testing::FakeForm1Controls window;
  app::Session session(fsys::make_native_file_system(), "");  // keeping no journal
  form::Form1 form(window, session);
  window.form = &form;
  form.Form_Load();

  const std::string page = rendered(pages + "/tolvane.1");
  std::vector<std::string> shown{std::string(form::place_of(form::Control::Check1).caption)};
  for (form::Control control :
       {form::Control::Form1, form::Control::Command1, form::Control::Command2,
        form::Control::Label1, form::Control::Label3, form::Control::Label4,
        form::Control::Label5}) {
    shown.push_back(window.captions[control]);
  }
  shown.insert(shown.end(), window.combo_items.begin(), window.combo_items.end());
  shown.push_back("“" + window.texts[form::Control::Text1] + "”");
  for (const std::string& words : shown) {
    ASSERT_FALSE(words.empty());
    EXPECT_NE(page.find(words), std::string::npos) << words;
  }
}

TEST(ManualPages, ChineseBreaksOnlyWhereItMayAtAnyWidth) {
  for (const char* name : {"/tolvane.1", "/tolvane-cli.1"}) {
    for (int width : {50, 78, 120}) {
      for (const std::string& line : lines_of(rendered(pages + name, width))) {
        const std::string text = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        for (std::string_view closing : {"，", "。", "；", "：", "、", "）", "】", "”"}) {
          EXPECT_FALSE(text.starts_with(closing)) << name << " at " << width << ": " << line;
        }
        for (std::string_view opening : {"（", "【", "“"}) {
          EXPECT_FALSE(text.ends_with(opening)) << name << " at " << width << ": " << line;
        }
      }
    }
  }
}

// A template through the tool as the build runs it: lines of Chinese text
// join without the blank troff would set between them, and its words come
// out as written.
TEST(ManualPages, LinesOfChineseJoinWithoutBlanks) {
  testing::TempTree tree;
  const std::string template_file = tree.path("t.1.utf8");
  tree.write("t.1.utf8",
             ".TH T 1 \"@DATE@\" \"Tolvane @VERSION@\"\n.ad l\n.nh\n"
             ".SH NAME\nt \\- a test\n.SH 说明\n"
             "甲乙丙，\n丁戊己\n（庚）辛\n壬癸子\n.B 丑\n寅卯。\n"
             ".SH 后记\n"
             "@Command2@\n");
  const std::string page = tree.path("t.1");
  ASSERT_EQ(run(std::string(TOLVANE_MAN_PAGE_PROGRAM) + " '" + template_file + "' 9.99.9999 " +
                "2030-01-02 '" + page + "'")
                .status,
            0);
  for (int width : {12, 30, 78}) {
    const std::string shown = rendered(page, width);
    std::string body;
    bool in_section = false;
    for (const std::string& line : lines_of(shown)) {
      if (line == "说明" || line == "后记") {
        in_section = line == "说明";
      } else if (in_section && !line.empty()) {
        body += line.substr(line.find_first_not_of(' '));
      }
    }
    EXPECT_EQ(body, "甲乙丙，丁戊己（庚）辛壬癸子丑寅卯。") << shown;
    EXPECT_NE(shown.find("拷贝"), std::string::npos) << shown;
  }
  EXPECT_NE(rendered(page, 78).find("Tolvane 9.99.9999"), std::string::npos);
}

TEST(ManualPages, AWordTheProgramLacksStopsTheBuildAndWritesNoPage) {
  testing::TempTree tree;
  const std::string template_file = tree.path("t.1.utf8");
  tree.write("t.1.utf8", ".TH T 1 \"@DATE@\" \"Tolvane @VERSION@\"\n@no_such_word@\n");
  const std::string page = tree.path("t.1");
  const Ran ran = run(std::string(TOLVANE_MAN_PAGE_PROGRAM) + " '" + template_file +
                      "' 1.00.0001 2026-12-09 '" + page + "' 2>&1");
  EXPECT_NE(ran.status, 0);
  EXPECT_NE(ran.out.find("@no_such_word@"), std::string::npos) << ran.out;
  EXPECT_FALSE(std::ifstream(page).good());
}

}  // namespace
}  // namespace tolvane::man
