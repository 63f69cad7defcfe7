// Scan rules that only POSIX file systems can show: FIFOs, symbolic links,
// and folders that cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "app/user_texts.h"
#include "tests/scan/scan_test_fixture.h"
#include "tests/support/posix_setup.h"
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

// The system follows a link before it takes "..": "view/trip/.." is the
// folder above the one the link leads to, and is tagged with its name.
TEST_F(ScanTest, StartFolderThroughALinkAndDotsIsTaggedWhereTheLinkLeads) {
  TempTree tree{"real/top.jpg", "real/trip/in.jpg", "view/"};
  ASSERT_EQ(symlink(tree.path("real/trip").c_str(), tree.path("view/trip").c_str()), 0);
  const std::string start = tree.path("view/trip/..");
  EXPECT_EQ(scan(*folder_path_from_text(start), ".jpg"),
            (Entries{{start + "/top.jpg", "real"}, {start + "/trip/in.jpg", "trip"}}));
}

TEST_F(ScanTest, UnreadableFolderListsNothingAndIsReportedWithItsReason) {
  TempTree tree{"u/locked/a.jpg", "u/b.jpg"};
  ASSERT_EQ(chmod(tree.path("u/locked").c_str(), 0), 0);
  std::string reason;
  // Root reads any folder: the scan runs as nobody in a child then.
  const std::optional<std::string> outcome = testing::run_unprivileged(
      [&] {
        const std::size_t files = scan(tree.path("u/"), ".jpg").size();
        return app::count_line(files, last_result.folders_unreadable) + "\n" +
               app::unreadable_details(last_result.folders_unreadable,
                                       last_result.first_unreadable);
      },
      reason);
  chmod(tree.path("u/locked").c_str(), 0755);
  if (!outcome) GTEST_SKIP() << "no unreadable folder to test: " << reason;
  EXPECT_EQ(*outcome, "共计读取1条，1个文件夹未读\n1个文件夹无法读取：\n" + tree.path("u/locked/") +
                          "：没有权限（Permission denied）");
}

}  // namespace
}  // namespace tolvane::scan
