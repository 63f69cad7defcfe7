// The texts a scan ends with and the record of unreadable folders behind
// them: the count line keeps its words when every folder was read, and a
// scan that meets many unreadable folders keeps only the first few.
#include <gtest/gtest.h>

#include <string>
#include <system_error>
#include <vector>

#include "app/user_texts.h"
#include "tests/scan/recording_scan_window.h"
#include "tests/scan/scan_test_fixture.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_tree.h"

namespace tolvane::scan {
namespace {

using app::count_line;
using app::left_out_details;
using app::unreadable_details;
using testing::Fault;
using testing::FsOperation;

std::string words(std::errc error) { return std::make_error_code(error).message(); }

TEST(ScanReport, CountLineNamesUnreadableFoldersOnlyWhenThereAreAny) {
  EXPECT_EQ(count_line(120, 0), "共计读取120条");
  EXPECT_EQ(count_line(0, 0), "共计读取0条");
  EXPECT_EQ(count_line(120, 2), "共计读取120条，2个文件夹未读");
  EXPECT_EQ(count_line(120, 0, 3), "共计读取120条，3个文件夹略过");
  // Both kinds, each with its own word: a folder left out was never meant to be read.
  EXPECT_EQ(count_line(120, 2, 3), "共计读取120条，未读2/略过3");
  EXPECT_EQ(unreadable_details(0, {}), "");
  EXPECT_EQ(left_out_details(0, {}), "");
  EXPECT_EQ(left_out_details(7, {"p/a.b/", "p/c.d/"}),
            "7个文件夹因名称含“.”而略过：\np/a.b/\np/c.d/\n…另有5个");
}

TEST_F(ScanTest, ManyUnreadableFoldersAreAllCountedAndTheFirstFewShown) {
  testing::TempTree tree{"m/top.jpg"};
  std::vector<Fault> faults;
  for (int folder = 1; folder <= 7; ++folder) {
    tree.add("m/" + std::to_string(folder) + "/a.jpg");
    // By path: the folders may be read ahead on other threads, in any order.
    faults.push_back(
        {FsOperation::read_folder, 0,
         std::make_error_code(folder == 1 ? std::errc::permission_denied : std::errc::io_error),
         tree.path("m/" + std::to_string(folder) + "/")});
  }
  testing::FaultyFileSystem faulty(*fs, faults);
  testing::RecordingScanWindow window(".jpg");
  const ScanResult result = Search_folder(tree.path("m/"), faulty, window);

  EXPECT_EQ(window.entries, (Entries{{tree.path("m/top.jpg"), "m"}}));
  EXPECT_EQ(result.folders_unreadable, 7u);
  EXPECT_EQ(count_line(window.entries.size(), result.folders_unreadable),
            "共计读取1条，7个文件夹未读");
  std::string expected = "7个文件夹无法读取：\n" + tree.path("m/1/") + "：没有权限（" +
                         words(std::errc::permission_denied) + "）";
  for (int folder = 2; folder <= 5; ++folder) {
    expected += "\n" + tree.path("m/" + std::to_string(folder) + "/") + "：读写出错（" +
                words(std::errc::io_error) + "）";
  }
  expected += "\n…另有2个";
  EXPECT_EQ(unreadable_details(result.folders_unreadable, result.first_unreadable), expected);
}

}  // namespace
}  // namespace tolvane::scan
