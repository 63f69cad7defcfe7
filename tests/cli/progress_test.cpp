// Progress goes to standard error only when it is a terminal, with the
// window's percentage text, the count, the rate and the time left.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line_texts.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"

namespace tolvane::cli {
namespace {

TEST(Progress, LineSaysCountRateAndTimeLeft) {
  using app::command_line::progress_line;
  EXPECT_EQ(progress_line("进度：50.00%", 3, 7, 1.5),
            "进度：50.00%  4/7  2.0 个文件/秒  剩余 0:02");
  EXPECT_EQ(progress_line("进度：0.00%", 0, 7, 0.0), "进度：0.00%  1/7  剩余 --:--");
  EXPECT_EQ(progress_line("进度：1.00%", 1, 200, 0.5),
            "进度：1.00%  2/200  2.0 个文件/秒  剩余 1:40");
  // A rate too high for "%.1f" to fit a narrow field still reads whole.
  EXPECT_EQ(progress_line("进度：50.00%", 50000, 100001, 0.5),
            "进度：50.00%  50001/100001  100000.0 个文件/秒  剩余 0:01");
}

TEST(Progress, ShownOnATerminalOnly) {
  ::tolvane::testing::TempTree tree({"src/t/a.jpg", "src/t/b.jpg", "src/t/c.jpg", "dst/"});
  const testing::CliResult quiet = testing::run_cli({tree.path("src"), tree.path("dst")});
  EXPECT_EQ(quiet.err, "");
  const testing::CliResult shown =
      testing::run_cli({tree.path("src"), tree.path("dst"), "--dry-run"}, true);
  EXPECT_NE(shown.err.find("\r进度：0.00%  1/3"), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find("进度：100.00%  3/3"), std::string::npos) << shown.err;
  EXPECT_TRUE(shown.err.ends_with("\n"));
  EXPECT_EQ(shown.out.find("进度"), std::string::npos) << "progress leaked into the results";
}

TEST(Progress, UndoShowsItsStepsOnATerminalToo) {
  ::tolvane::testing::TempTree tree({"src/t/a.jpg", "src/t/b.jpg", "src/t/c.jpg", "dst/"});
  ASSERT_EQ(testing::run_cli({tree.path("src"), tree.path("dst")}).status, 0);
  // Three copies and the folder t/ the run made.
  const testing::CliResult undone = testing::run_cli({"--undo", tree.path("dst")}, true);
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_NE(undone.err.find("\r撤销：0/4"), std::string::npos) << undone.err;
  EXPECT_NE(undone.err.find("\r撤销：4/4"), std::string::npos) << undone.err;
  EXPECT_TRUE(undone.err.ends_with("\n"));
  EXPECT_EQ(undone.out.find("撤销："), std::string::npos) << "progress leaked into the results";
}

}  // namespace
}  // namespace tolvane::cli
