// The command line and the window copy alike: on two copies of one tree the
// form's Command1 and Command2 (over a plain fake of its controls) and
// tolvane-cli leave the same destination, byte for byte, and say the same
// closing lines, per-tag, flat and keeping names.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "form/form1.h"
#include "fsys/file_system.h"
#include "scan/file_list.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using form::Control;

// Holds the texts, the check box and the lists; keeps the last message.
class FakeControls final : public form::Form1Controls {
 public:
  std::string text1, text2, combo, message;
  std::int16_t check = 0;
  scan::FileList list;
  std::vector<std::string> items;

  void set_caption(Control, std::string_view) override {}
  std::string text(Control control) override {
    return control == Control::Text1 ? text1 : control == Control::Text2 ? text2 : combo;
  }
  void set_text(Control control, std::string_view text) override {
    (control == Control::Text1 ? text1 : control == Control::Text2 ? text2 : combo) = text;
  }
  void set_enabled(Control, bool) override {}
  void set_description(Control, std::string_view) override {}
  void add_combo_item(std::string_view text) override { items.emplace_back(text); }
  void set_combo_index(int index) override { combo = items.at(index); }
  int combo_index() override { return -1; }
  std::string combo_item(int index) override { return items.at(index); }
  std::int16_t check_value() override { return check; }
  void set_check_value(std::int16_t value) override { check = value; }
  void clear_lists() override { list.clear(); }
  void append_to_lists(std::string_view path, std::string_view tag) override {
    list.append(path, tag);
  }
  void show_new_rows() override {}
  const scan::FileList& lists() override { return list; }
  void show_progress(int, int, int) override {}
  void show_message(std::string_view text, bool) override { message = text; }
  bool has_focus(Control) override { return false; }
  void set_focus(Control) override {}
  std::uintptr_t focus_mark() override { return 0; }
  void process_events() override {}
  void keep_alive() override {}
  void close_window() override {}
};

struct Mode {
  const char* name;
  std::string extension;
  bool flat;
};

std::vector<std::string_view> tree_paths() {
  return {"src/own.jpg",          "src/notes.txt", "src/trip/a.jpg",     "src/trip/b.jpg",
          "src/x/trip/c.jpg",     "src/zoo/z.jpg", "src/zoo/y.txt",      "src/dup.jpg/d.jpg",
          "dst/trip/trip(1).jpg", "dst/zoo",       "dst/x/trip/keep.jpg"};
}

TEST(WindowParity, SameDestinationAndClosingLinesAsTheWindow) {
  for (const Mode& mode : {Mode{"per-tag", ".jpg", false}, Mode{"flat", ".jpg", true},
                           Mode{"keep names", ".*", false}}) {
    SCOPED_TRACE(mode.name);
    tt::TempTree window_tree;
    tt::TempTree cli_tree;
    for (const std::string_view path : tree_paths()) {
      window_tree.add(path);
      cli_tree.add(path);
    }

    FakeControls controls;
    const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
    form::Form1 form(controls, *disk);
    form.Form_Load();
    controls.text1 = window_tree.path("src");
    controls.combo = mode.extension;
    controls.check = mode.flat ? 1 : 0;
    form.Command1_Click();
    controls.text2 = window_tree.path("dst");
    form.Command2_Click();

    std::vector<std::string> arguments = {cli_tree.path("src"), cli_tree.path("dst"), "--ext",
                                          mode.extension};
    if (mode.flat) arguments.push_back("--flat");
    const testing::CliResult result = testing::run_cli(arguments);

    EXPECT_EQ(tt::tree_difference(tt::files_below(cli_tree.path("dst")),
                                  tt::files_below(window_tree.path("dst"))),
              "");
    EXPECT_FALSE(tt::files_below(cli_tree.path("dst")).empty());
    // The closing lines name paths, which differ only by the tree's root.
    std::string expected = controls.message;
    for (std::size_t at; (at = expected.find(window_tree.root())) != std::string::npos;) {
      expected.replace(at, window_tree.root().size(), cli_tree.root());
    }
    EXPECT_NE(result.out.find(expected + "\n"), std::string::npos)
        << "window:\n"
        << expected << "\ncommand line:\n"
        << result.out;
    EXPECT_EQ(result.status,
              expected.find("失败") == std::string::npos ? exit_all_copied : exit_entries_failed);
  }
}

}  // namespace
}  // namespace tolvane::cli
