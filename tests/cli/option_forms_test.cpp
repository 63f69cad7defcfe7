// The forms an option takes reach the run, judged by what it writes: the
// value joined with "=" or as the next argument, switches before and after
// the folders, "--" ending the options, and the short name of --help.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using testing::run_cli;

TEST(CommandLineOptions, EachFormOfAnOptionReachesTheRun) {
  tt::TempTree tree({"src/trip/a.png", "src/trip/b.jpg", "src/trip/c.png", "src/v1.0/d.jpg"});
  const std::string src = tree.path("src");

  const testing::CliResult joined = run_cli({"--ext=.png", "--flat", "--", src, tree.path("flat")});
  EXPECT_EQ(joined.status, exit_all_copied) << joined.err;
  EXPECT_EQ(tt::files_below(tree.path("flat")),
            (tt::TreeFiles{{"trip(1).png", "src/trip/a.png"}, {"trip(2).png", "src/trip/c.png"}}));

  const testing::CliResult apart = run_cli({src, tree.path("tagged"), "--ext", ".png", "--json"});
  EXPECT_EQ(apart.status, exit_all_copied) << apart.err;
  EXPECT_TRUE(apart.out.starts_with("{")) << apart.out;
  EXPECT_EQ(tt::files_below(tree.path("tagged")),
            (tt::TreeFiles{{"trip/trip(1).png", "src/trip/a.png"},
                           {"trip/trip(2).png", "src/trip/c.png"}}));

  // Without --dot-folders v1.0 is left out and named on standard error only.
  const testing::CliResult plan = run_cli({"--dot-folders", src, tree.path("plan"), "--dry-run"});
  EXPECT_EQ(plan.status, exit_all_copied) << plan.err;
  EXPECT_NE(plan.out.find("v1.0"), std::string::npos) << plan.out;
  EXPECT_TRUE(tt::files_below(tree.path("plan")).empty());

  const testing::CliResult help = run_cli({"-h"});
  EXPECT_EQ(help.status, exit_all_copied);
  EXPECT_TRUE(help.out.starts_with("用法：")) << help.out;
  EXPECT_EQ(help.out, run_cli({"--help"}).out);
}

}  // namespace
}  // namespace tolvane::cli
