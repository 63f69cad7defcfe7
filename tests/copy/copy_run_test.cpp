// The copy run against the in-memory file system: order of the steps per
// entry, progress text, collisions, failures and the closing message.
#include "copy/copy_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/copy/fakes.h"

namespace tolvane::copy {
namespace {

using app::progress_percent_text;

using testing::FakeFileSystem;
using testing::FakeRunDisplay;
using testing::Log;
using testing::native;
using testing::serial;

class CopyRunTest : public ::testing::Test {
 protected:
  CopyRunTest() {
    disk.add_folder("/");
    disk.add_folder("/out/");
    disk.add_folder("/photos/");
  }

  // Adds a source file, its content its own native path, and lists it.
  void list(std::string_view path, std::string_view tag) {
    disk.add_file(path, native(path));
    window.add(path, tag);
  }

  void list_five() {
    list("/photos/2019/x.jpg", "2019");
    list("/photos/2019/y.jpg", "2019");
    list("/photos/trip/a.jpg", "trip");
    list("/photos/trip/b.jpg", "trip");
    list("/photos/trip/c.jpg", "trip");
  }

  // The copies' targets as the log shows them, in order.
  std::vector<std::string> targets() const {
    std::vector<std::string> result;
    for (const std::string& line : log) {
      if (line.starts_with("copy ")) result.push_back(line.substr(line.rfind(' ') + 1));
    }
    return result;
  }

  std::vector<std::string> natives(std::initializer_list<std::string_view> paths) {
    std::vector<std::string> result;
    for (std::string_view p : paths) result.push_back(native(p));
    return result;
  }

  Log log;
  FakeFileSystem disk{log};
  FakeRunDisplay window{log};
};

TEST_F(CopyRunTest, FiveEntriesInTwoTagsFollowTheStepsInOrder) {
  list_five();
  copy_folder(native("/out/"), disk, window, serial);
  const Log expected = {
      "exists " + native("/out/2019/"),
      "make_folder " + native("/out/2019/"),
      "progress 0 进度：0.00%",
      "copy " + native("/photos/2019/x.jpg /out/2019/2019(1).jpg"),
      "progress 1 进度：25.00%",
      "copy " + native("/photos/2019/y.jpg /out/2019/2019(2).jpg"),
      "exists " + native("/out/trip/"),
      "make_folder " + native("/out/trip/"),
      "progress 2 进度：50.00%",
      "copy " + native("/photos/trip/a.jpg /out/trip/trip(1).jpg"),
      "progress 3 进度：75.00%",
      "copy " + native("/photos/trip/b.jpg /out/trip/trip(2).jpg"),
      "progress 4 进度：100.00%",
      "copy " + native("/photos/trip/c.jpg /out/trip/trip(3).jpg"),
      // Every copy is on the device before the message says it is done.
      "progress 4 进度：100.00%，正在写入磁盘…",
      "flush",
      "progress 4 进度：100.00%",
      "report",
  };
  EXPECT_EQ(log, expected);
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_EQ(window.reports[0].first, "已完成5条。");
  EXPECT_FALSE(window.reports[0].second);
  EXPECT_EQ(disk.files.at(native("/out/trip/trip(3).jpg")), native("/photos/trip/c.jpg"));
}

TEST_F(CopyRunTest, FlatModeCreatesNoFolder) {
  list_five();
  window.flat = true;
  copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(targets(), natives({"/out/2019(1).jpg", "/out/2019(2).jpg", "/out/trip(1).jpg",
                                "/out/trip(2).jpg", "/out/trip(3).jpg"}));
  for (const std::string& line : log) EXPECT_FALSE(line.starts_with("make_folder")) << line;
}

TEST_F(CopyRunTest, ExistingFolderIsUsedAndAskedForOnce) {
  list_five();
  disk.add_folder("/out/trip/");
  window.extension = ".*";
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(targets(), natives({"/out/2019/x.jpg", "/out/2019/y.jpg", "/out/trip/a.jpg",
                                "/out/trip/b.jpg", "/out/trip/c.jpg"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "exists " + native("/out/trip/")), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "make_folder " + native("/out/trip/")), 0);
}

TEST_F(CopyRunTest, SameTagInTwoPlacesNeverOverwritesItsOwnCopies) {
  list("/photos/a/trip/1.jpg", "trip");
  list("/photos/a/trip/2.jpg", "trip");
  list("/photos/a/trip/3.jpg", "trip");
  list("/photos/2019/x.jpg", "2019");
  list("/photos/b/trip/1.jpg", "trip");
  list("/photos/b/trip/2.jpg", "trip");
  copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(targets(),
            natives({"/out/trip/trip(1).jpg", "/out/trip/trip(2).jpg", "/out/trip/trip(3).jpg",
                     "/out/2019/2019(1).jpg", "/out/trip/trip(4).jpg", "/out/trip/trip(5).jpg"}));
  EXPECT_EQ(disk.files.at(native("/out/trip/trip(1).jpg")), native("/photos/a/trip/1.jpg"));
}

TEST_F(CopyRunTest, SameNameInKeepNameModeGetsACopyNumber) {
  list("/photos/a/trip/a.jpg", "trip");
  list("/photos/b/trip/a.jpg", "trip");
  window.extension = ".*";
  copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(targets(), natives({"/out/trip/a.jpg", "/out/trip/a(2).jpg"}));
}

TEST_F(CopyRunTest, DestinationInsideTheSourceTreeLeavesSourcesAlone) {
  list("/photos/trip/trip(1).jpg", "trip");
  list("/photos/trip/trip(2).jpg", "trip");
  list("/photos/trip/a.jpg", "trip");
  const CopyReport report = copy_folder(native("/photos/"), disk, window, serial);
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(targets(), natives({"/photos/trip/trip(3).jpg", "/photos/trip/trip(4).jpg",
                                "/photos/trip/trip(5).jpg"}));
  EXPECT_EQ(disk.files.at(native("/photos/trip/trip(1).jpg")), native("/photos/trip/trip(1).jpg"));
  EXPECT_EQ(disk.files.at(native("/photos/trip/trip(5).jpg")), native("/photos/trip/a.jpg"));
}

TEST_F(CopyRunTest, NeverCopiesAFileOntoItself) {
  list("/photos/a.jpg", "photos");
  window.extension = ".*";
  window.flat = true;
  copy_folder(native("/photos/"), disk, window, serial);
  EXPECT_EQ(targets(), natives({"/photos/a(2).jpg"}));
}

TEST_F(CopyRunTest, SingleEntryShowsAHundredPercent) {
  list("/photos/a.jpg", "photos");
  copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(
      window.captions,
      (std::vector<std::string>{"进度：100.00%", "进度：100.00%，正在写入磁盘…", "进度：100.00%"}));
}

TEST_F(CopyRunTest, FailedCopyIsReportedAndTheRunGoesOn) {
  list_five();
  disk.fail_copy_at = 2;
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(report.entries, 5u);
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_EQ(report.failures[0].index, 1u);
  EXPECT_EQ(report.failures[0].operation, CopyOperation::copy_file);
  EXPECT_EQ(report.failures[0].target, native("/out/2019/2019(2).jpg"));
  EXPECT_EQ(targets().size(), 5u);
  EXPECT_TRUE(disk.files.contains(native("/out/trip/trip(3).jpg")));
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_TRUE(window.reports[0].second);
  const std::string reason =
      "读写出错（" + std::make_error_code(std::errc::io_error).message() + "）";
  EXPECT_EQ(window.reports[0].first, "已完成5条。\n其中1条失败：\n" + native("/photos/2019/y.jpg") +
                                         " → " + native("/out/2019/2019(2).jpg") + "：无法拷贝，" +
                                         reason);
}

TEST_F(CopyRunTest, FailedFolderFailsItsEntriesOnlyAndIsTriedOnce) {
  list_five();
  disk.fail_make_folder_at = 1;
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  ASSERT_EQ(report.failures.size(), 2u);
  for (const CopyFailure& failure : report.failures) {
    EXPECT_EQ(failure.operation, CopyOperation::make_folder);
    EXPECT_EQ(failure.target, native("/out/2019/"));
    EXPECT_EQ(failure.error, std::errc::permission_denied);
  }
  EXPECT_EQ(std::count(log.begin(), log.end(), "make_folder " + native("/out/2019/")), 1);
  EXPECT_EQ(targets(),
            natives({"/out/trip/trip(1).jpg", "/out/trip/trip(2).jpg", "/out/trip/trip(3).jpg"}));
  EXPECT_EQ(window.captions.size(), 7u);  // every entry, the flush, and back
  EXPECT_TRUE(window.reports.at(0).first.starts_with("已完成5条。\n其中2条失败：\n"));
}

// Files found at targets: the same content is left alone, a different one
// goes to the trash; the message counts both above the failures, and a
// failed flush warns that the copies may not all be on the device.
TEST_F(CopyRunTest, ReplacedAndUnchangedTargetsAreCountedAndAFailedFlushWarns) {
  list_five();
  disk.add_folder("/out/2019/");
  disk.add_file("/out/2019/2019(1).jpg", native("/photos/2019/x.jpg"));  // the same
  disk.add_file("/out/2019/2019(2).jpg", "older trip");
  disk.fail_copy_at = 5;
  disk.flush_error = std::make_error_code(std::errc::io_error);
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(report.unchanged, 1u);
  EXPECT_EQ(report.replaced, 1u);
  EXPECT_EQ(disk.trash, std::vector<std::string>{"older trip"});
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_TRUE(window.reports[0].second);
  EXPECT_TRUE(window.reports[0].first.starts_with(
      "已完成5条。\n其中1条替换了原有文件，原有文件已移入回收站。\n"
      "其中1条与原有文件相同，不重新拷贝。\n写入磁盘时出错，拷贝可能不完整：读写出错（"))
      << window.reports[0].first;
  EXPECT_NE(window.reports[0].first.find("）\n其中1条失败：\n"), std::string::npos);
}

// Every entry copied, but the device may not hold them: that alone warns.
TEST_F(CopyRunTest, AFailedFlushAloneWarns) {
  list_five();
  disk.flush_error = std::make_error_code(std::errc::io_error);
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_TRUE(report.failures.empty());
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_TRUE(window.reports[0].second);
  EXPECT_TRUE(window.reports[0].first.starts_with("已完成5条。\n写入磁盘时出错，拷贝可能不完整："))
      << window.reports[0].first;
}

TEST_F(CopyRunTest, AnEmptyListFlushesNothingAndShowsNoFlushCaption) {
  copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(log, Log{"report"});
}

TEST_F(CopyRunTest, VanishedSourcesAreListedFiveAtMost) {
  for (char c = 'a'; c <= 'g'; ++c) window.add(std::string("/photos/") + c + ".jpg", "photos");
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(report.failures.size(), 7u);
  const std::string& text = window.reports.at(0).first;
  EXPECT_TRUE(text.starts_with("已完成7条。\n其中7条失败：\n")) << text;
  EXPECT_NE(text.find(native("/photos/e.jpg")), std::string::npos);
  EXPECT_EQ(text.find(native("/photos/f.jpg")), std::string::npos);
  EXPECT_TRUE(text.ends_with("\n另有2条失败未列出。")) << text;
}

TEST_F(CopyRunTest, EmptyListReportsZero) {
  const CopyReport report = copy_folder(native("/out/"), disk, window, serial);
  EXPECT_EQ(log, Log{"report"});
  EXPECT_EQ(window.reports.at(0), std::make_pair(std::string("已完成0条。"), false));
  EXPECT_EQ(report.entries, 0u);
}

TEST_F(CopyRunTest, CommandCopiesIntoTheTextWithTheSeparatorAppended) {
  list("/photos/a.jpg", "photos");
  const std::optional<CopyReport> report = run_copy_command(native("/out"), disk, window, serial);
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(targets(), natives({"/out/photos/photos(1).jpg"}));
}

TEST_F(CopyRunTest, CommandRefusesEmptyTextAndTextEndingInTheSeparator) {
  list("/photos/a.jpg", "photos");
  for (const std::string& text2 : {std::string(), native("/out/"), native("/")}) {
    log.clear();
    EXPECT_FALSE(run_copy_command(text2, disk, window, serial).has_value()) << text2;
    EXPECT_EQ(log, Log{}) << text2;  // the disk is not even asked
  }
  EXPECT_TRUE(window.reports.empty());
}

struct PercentRow {
  std::size_t index;
  float max;
  const char* text;
};

TEST(ProgressPercent, FormatsTwoDecimalsRoundingHalfAwayFromZero) {
  const PercentRow rows[] = {
      {0, 5, "0.00%"},     {1, 5, "25.00%"},      {2, 5, "50.00%"},   {3, 5, "75.00%"},
      {4, 5, "100.00%"},   {0, 1, "100.00%"},     {1, 4, "33.33%"},   {2, 4, "66.67%"},
      {1, 33, "3.13%"},    {5, 33, "15.63%"},     {3, 33, "9.38%"},   {7, 101, "7.00%"},
      {1, 3, "50.00%"},    {5, 5, "125.00%"},     {1, 0, "-100.00%"}, {32766, 32767, "100.00%"},
      {1, 32767, "0.00%"}, {328, 32767, "1.00%"},
  };
  for (const PercentRow& row : rows) {
    EXPECT_EQ(progress_percent_text(row.index, row.max), row.text)
        << row.index << " / (" << row.max << " - 1)";
  }
}

}  // namespace
}  // namespace tolvane::copy
