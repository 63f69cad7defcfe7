// Copies the device may not hold after all: the command says so in the
// closing lines, as the window's message does, and does not exit as if all
// were copied.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "tests/cli/run_cli.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_tree.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;

TEST(FlushFailure, IsReportedAndIsNoSuccess) {
  tt::TempTree tree({"src/trip/a.jpg", "dst/"});
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  tt::FaultyFileSystem failing(*disk, {{tt::FsOperation::flush, 1}});

  const testing::CliResult result =
      testing::run_cli({tree.path("src"), tree.path("dst")}, false, &failing);

  EXPECT_EQ(failing.injected(), 1u);
  EXPECT_NE(result.out.find("已完成1条。\n写入磁盘时出错，拷贝可能不完整："), std::string::npos)
      << result.out;
  EXPECT_EQ(result.status, exit_entries_failed);
}

}  // namespace
}  // namespace tolvane::cli
