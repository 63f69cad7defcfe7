// Scan rules that only POSIX file systems can show: FIFOs, symbolic links,
// and folders that cannot be read.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/scan/scan_test_fixture.h"
#include "tests/support/temp_tree.h"

namespace tolvane::scan {
namespace {

using testing::TempTree;

TEST_F(ScanTest, HiddenEntriesFifosAndFolderLinksAreNeverListed) {
  TempTree tree{"h/.hidden.jpg", "h/.cache/in.jpg", "h/seen.jpg", "h/sub/"};
  ASSERT_EQ(mkfifo(tree.path("h/pipe.jpg").c_str(), 0600), 0);
  ASSERT_EQ(symlink(tree.path("h/").c_str(), tree.path("h/sub/loop").c_str()), 0);
  ASSERT_EQ(symlink(tree.path("h/seen.jpg").c_str(), tree.path("h/sub/link.jpg").c_str()), 0);
  EXPECT_EQ(scan(tree.path("h/"), ".jpg"),
            (Entries{{tree.path("h/seen.jpg"), "h"}, {tree.path("h/sub/link.jpg"), "sub"}}));
}

// Names are bytes on POSIX; Windows names are UTF-16 and always reach the
// core as UTF-8.
TEST_F(ScanTest, NamesThatAreNotUtf8PassThroughUntouched) {
  TempTree tree{"n/"};
  const std::string gbk_name = "\xC2\xC3\xD0\xD0.jpg";  // "旅行" in GBK
  tree.write("n/" + gbk_name, "bytes");
  EXPECT_EQ(scan(tree.path("n/"), ".jpg"), (Entries{{tree.path("n/") + gbk_name, "n"}}));
}

TEST_F(ScanTest, UnreadableFolderListsNothing) {
  TempTree tree{"u/locked/a.jpg", "u/b.jpg"};
  ASSERT_EQ(chmod(tree.path("u/locked").c_str(), 0), 0);
  if (geteuid() == 0) GTEST_SKIP() << "root reads folders whatever their permissions";
  EXPECT_EQ(scan(tree.path("u/"), ".jpg"), (Entries{{tree.path("u/b.jpg"), "u"}}));
  EXPECT_EQ(last_result.folders_unreadable, 1u);
}

}  // namespace
}  // namespace tolvane::scan
