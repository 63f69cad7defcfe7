// What the command refuses before it reads or writes: every kind of bad
// input gets exit status 2, one Chinese line naming the fault on standard
// error, nothing on standard output and nothing written to DEST.  A DEST
// that does not exist is no fault: the run makes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using testing::run_cli;

struct Refusal {
  const char* name;
  std::vector<std::string> arguments;  // "{src}", "{dst}", "{file}" filled in
  const char* message;                 // a part of the message
};

TEST(CommandLineRefusal, EachBadInputExitsTwoWithOneLineNamingIt) {
  tt::TempTree tree({"src/trip/a.jpg", "src/note.txt", "dst/"});
  const std::string src = tree.path("src");
  const std::string dst = tree.path("dst");
  const std::string sep(1, fsys::separator);
  const std::vector<Refusal> table = {
      {"no arguments", {}, "缺少 SOURCE 和 DEST"},
      {"no DEST", {"{src}"}, "缺少 DEST"},
      {"three folders", {"{src}", "{dst}", "{dst}"}, "多余的参数"},
      {"unknown option", {"{src}", "{dst}", "--flatt"}, "未知的选项：--flatt"},
      {"--ext without its text", {"{src}", "{dst}", "--ext"}, "--ext 后缺少扩展名"},
      {"--ext before an option", {"{src}", "{dst}", "--ext", "--flat"}, "--ext 后缺少扩展名"},
      {"a switch given a value", {"{src}", "{dst}", "--flat=1"}, "未知的选项：--flat=1"},
      {"--undo without DEST", {"--undo"}, "--undo 后缺少 DEST"},
      {"--ext holding /", {"{src}", "{dst}", "--ext", "x/.jpg"}, "含路径分隔符"},
      {"--ext= holding the separator", {"{src}", "{dst}", "--ext=" + sep + ".jpg"}, "含路径分隔符"},
      {"empty SOURCE", {"", "{dst}"}, "SOURCE 为空"},
      {"SOURCE ending in the separator", {src + sep, "{dst}"}, "以路径分隔符结尾"},
      {"missing SOURCE", {src + "-gone", "{dst}"}, "无法读取 SOURCE"},
      {"SOURCE a file", {"{file}", "{dst}"}, "无法读取 SOURCE"},
      {"empty DEST", {"{src}", ""}, "DEST 为空"},
      {"DEST ending in the separator", {"{src}", dst + sep}, "以路径分隔符结尾"},
      {"DEST a file", {"{src}", "{file}"}, "是文件，不是文件夹。"},
      {"DEST below a file", {"{src}", "{file}" + sep + "x"}, "无法新建 DEST"},
      // Undo reads DEST as a copy does, and takes no option of the gather.
      {"--undo DEST ending in the separator", {"--undo", dst + sep}, "以路径分隔符结尾"},
      {"--undo with an empty DEST", {"--undo", ""}, "DEST 为空"},
      {"--undo with --flat", {"--undo", "{dst}", "--flat"}, "--undo 不能与 --flat 同用"},
      {"--undo with --ext", {"--ext", ".png", "--undo", "{dst}"}, "--undo 不能与 --ext 同用"},
      {"--undo with --dot-folders",
       {"--undo", "--dot-folders", "{dst}"},
       "--undo 不能与 --dot-folders 同用"},
  };
  for (const Refusal& row : table) {
    std::vector<std::string> arguments;
    for (std::string argument : row.arguments) {
      if (argument == "{src}") argument = src;
      if (argument == "{dst}") argument = dst;
      if (argument.starts_with("{file}")) argument = tree.path("src/note.txt") + argument.substr(6);
      arguments.push_back(argument);
    }
    for (const bool dry_run : {false, true}) {
      std::vector<std::string> with_mode = arguments;
      if (dry_run) with_mode.push_back("--dry-run");
      const testing::CliResult result = run_cli(with_mode);
      SCOPED_TRACE(std::string(row.name) + (dry_run ? " (dry run)" : ""));
      EXPECT_EQ(result.status, exit_refused);
      EXPECT_TRUE(result.err.starts_with("tolvane-cli："));
      EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
      EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
      EXPECT_EQ(result.out, "");
    }
  }
  EXPECT_TRUE(tt::files_below(dst).empty());

  // A file where DEST should be is said in the window's words.
  const std::string file = tree.path("src/note.txt");
  EXPECT_EQ(
      run_cli({src, file}).err,
      "tolvane-cli：另存为目录“" + fsys::absolute_folder(file + sep) + "”是文件，不是文件夹。\n");
}

// A root alone ("/") names no folder, and the advice is never to take its
// separator away, which would leave nothing.
TEST(CommandLineRefusal, ARootAloneIsAdvisedToBeWrittenWithADot) {
  tt::TempTree tree({"src/a.jpg", "dst/"});
  const std::string sep(1, fsys::separator);
  const std::string advice = " 是根目录；请写作“" + sep + ".”\n";
  EXPECT_EQ(run_cli({sep, tree.path("dst")}).err, "tolvane-cli：SOURCE “" + sep + "”" + advice);
  EXPECT_EQ(run_cli({tree.path("src"), sep}).err, "tolvane-cli：DEST “" + sep + "”" + advice);
}

TEST(CommandLineRefusal, HelpIsChineseWithEnglishOptionsAndExitsZero) {
  const testing::CliResult result = run_cli({"--help"});
  EXPECT_EQ(result.status, exit_all_copied);
  for (const char* part : {"用法：tolvane-cli SOURCE DEST", "--ext", "--flat", "--dry-run", "--json",
                           "退出状态", "  130"}) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace tolvane::cli
