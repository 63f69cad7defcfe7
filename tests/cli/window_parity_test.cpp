// The command line and the window copy alike: on two copies of one tree the
// form's Command1 and Command2 (over a plain fake of its controls) and
// tolvane-cli leave the same destination, byte for byte, and say the same
// closing lines, per-tag, flat and keeping names; and when the device fails
// to take the copies at the end, both say so.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "form/form1.h"
#include "fsys/file_system.h"
#include "tests/cli/run_cli.h"
#include "tests/form/fake_form1_controls.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using form::Control;
using form::testing::FakeForm1Controls;

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

// The form's Command1 on src and Command2 into dst of `tree`, over `disk`:
// the closing messages it showed (text, warning).
std::vector<std::pair<std::string, bool>> window_run(const tt::TempTree& tree,
                                                     fsys::FileSystem& disk, const Mode& mode) {
  FakeForm1Controls controls;
  form::Form1 form(controls, disk);
  controls.form = &form;
  form.Form_Load();
  controls.texts[Control::Text1] = tree.path("src");
  controls.texts[Control::Combo1] = mode.extension;
  controls.check = mode.flat ? 1 : 0;
  form.Command1_Click();
  controls.texts[Control::Text2] = tree.path("dst");
  form.Command2_Click();
  return controls.messages;
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

    const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
    const auto messages = window_run(window_tree, *disk, mode);
    ASSERT_EQ(messages.size(), 1u);

    std::vector<std::string> arguments = {cli_tree.path("src"), cli_tree.path("dst"), "--ext",
                                          mode.extension};
    if (mode.flat) arguments.push_back("--flat");
    const testing::CliResult result = testing::run_cli(arguments);

    EXPECT_EQ(tt::tree_difference(tt::files_below(cli_tree.path("dst")),
                                  tt::files_below(window_tree.path("dst"))),
              "");
    EXPECT_FALSE(tt::files_below(cli_tree.path("dst")).empty());
    // The closing lines name paths, which differ only by the tree's root.
    std::string expected = messages.front().first;
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

// Copies the device may not hold after all: the window warns, and the
// command line says the same and does not exit as if all were copied.
TEST(WindowParity, AFailedFlushIsReportedAlikeAndIsNoSuccess) {
  const Mode mode{"per-tag", ".jpg", false};
  tt::TempTree window_tree({"src/trip/a.jpg", "dst/"});
  tt::TempTree cli_tree({"src/trip/a.jpg", "dst/"});
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  const std::vector<tt::Fault> failing_flush = {{tt::FsOperation::flush, 1}};
  tt::FaultyFileSystem window_disk(*disk, failing_flush);
  tt::FaultyFileSystem cli_disk(*disk, failing_flush);

  const auto messages = window_run(window_tree, window_disk, mode);
  const testing::CliResult result =
      testing::run_cli({cli_tree.path("src"), cli_tree.path("dst")}, false, &cli_disk);

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].second);
  EXPECT_NE(messages[0].first.find("写入磁盘时出错"), std::string::npos) << messages[0].first;
  EXPECT_EQ(cli_disk.injected(), 1u);
  EXPECT_NE(result.out.find(messages[0].first + "\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.status, exit_entries_failed);
}

}  // namespace
}  // namespace tolvane::cli
