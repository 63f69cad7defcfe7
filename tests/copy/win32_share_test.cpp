// A gather from one network share onto another through their UNC names
// (\\server\share\...): the tag of a share's root, the targets, a replaced
// file kept in the set-aside folder of the share (which has no Recycle Bin)
// and a quiet re-run.  Wine resolves \\server\share through
// dosdevices\unc\server\share in its prefix, where the test makes the two
// shares; elsewhere the test is skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/replace_steps.h"
#include "fsys/win32/path.h"
#include "scan/folder_walk.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/scan/recording_scan_window.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;

// A share has no Recycle Bin: the bin step says so, as it does there.
std::error_code no_bin(fsys::ReplaceStep step) {
  return step == fsys::ReplaceStep::put_in_trash
             ? std::make_error_code(std::errc::cross_device_link)
             : std::error_code();
}

class UncShares : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr || *prefix == '\0') GTEST_SKIP() << "no Wine prefix to make shares in";
    server_ = "tolvane-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetParam());
    backing_ = fs::path("Z:" + std::string(prefix)) / "dosdevices" / "unc" / server_;
    fs::create_directories(backing_ / "photos" / "trip");
    fs::create_directories(backing_ / "backup" / "out" / "trip");
    write("photos/top.jpg", "top");
    write("photos/trip/a.jpg", "a");
    write("photos/trip/b.jpg", "b");
    write("backup/out/trip/trip(1).jpg", "an older trip(1)");
    fsys::set_replace_step_probe(no_bin);
  }
  void TearDown() override {
    fsys::set_replace_step_probe(nullptr);
    std::error_code ignored;
    if (!backing_.empty()) fs::remove_all(backing_, ignored);
  }

  // `relative` (UTF-8, with "/") where Wine keeps it.
  fs::path on_disk(const std::string& relative) {
    return (backing_ / fsys::win32::to_utf16(relative)).make_preferred();
  }
  void write(const std::string& relative, const std::string& content) {
    std::ofstream(on_disk(relative), std::ios::binary) << content;
  }
  std::string read(const std::string& relative) {
    std::ifstream in(on_disk(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // `relative` on the server, by its UNC name.
  std::string unc(const std::string& relative) { return "\\\\" + server_ + "\\" + relative; }

  // Scans \\server\photos and copies into \\server\backup\out.
  std::optional<CopyReport> gather(std::vector<std::pair<std::string, std::string>>& listed,
                                   std::string& message) {
    tolvane::testing::RecordingScanWindow scan_window(".jpg");
    scan::Search_folder(unc("photos\\"), *disk_, scan_window);
    listed = scan_window.entries;
    testing::Log log;
    testing::FakeRunDisplay window(log);
    for (const auto& [path, tag] : listed) window.add(path, tag);
    std::optional<CopyReport> report =
        run_copy_command(unc("backup\\out"), *disk_, window, GetParam());
    if (!window.reports.empty()) message = window.reports[0].first;
    return report;
  }

  std::string server_;
  fs::path backing_;
  std::unique_ptr<fsys::FileSystem> disk_ = fsys::make_native_file_system();
};

TEST_P(UncShares, GatherFromShareToShareKeepsTheReplacedFileOnTheShare) {
  std::vector<std::pair<std::string, std::string>> listed;
  std::string message;
  const std::optional<CopyReport> report = gather(listed, message);
  // The share's own root is tagged by the share's name.
  const std::vector<std::pair<std::string, std::string>> expected_list = {
      {unc("photos\\top.jpg"), "photos"},
      {unc("photos\\trip\\a.jpg"), "trip"},
      {unc("photos\\trip\\b.jpg"), "trip"},
  };
  EXPECT_EQ(listed, expected_list);
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->failures.empty()) << message;
  EXPECT_EQ(report->set_aside, 1u);
  EXPECT_EQ(read("backup/out/photos/photos(1).jpg"), "top");
  EXPECT_EQ(read("backup/out/trip/trip(1).jpg"), "a");
  EXPECT_EQ(read("backup/out/trip/trip(2).jpg"), "b");
  EXPECT_EQ(read("backup/out/被替换的文件/trip/trip(1).jpg"), "an older trip(1)");
  EXPECT_EQ(message,
            "已完成3条。\n其中1条替换了原有文件，因该磁盘没有可用的回收站，"
            "原有文件已按原来的相对路径移入“" +
                unc("backup\\out\\被替换的文件\\") + "”。");

  // Again: nothing changed, nothing is written.
  const std::optional<CopyReport> again = gather(listed, message);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->unchanged, 3u);
  EXPECT_EQ(message, "已完成3条。\n其中3条与原有文件相同，不重新拷贝。");
}

INSTANTIATE_TEST_SUITE_P(Workers, UncShares, testing::worker_counts, testing::worker_count_name);

}  // namespace
}  // namespace tolvane::copy
