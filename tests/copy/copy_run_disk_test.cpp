// The copy run on real temporary trees through the native file services:
// names, folders, bytes and modification times of the copies, sources left
// as they were, and failures that lose nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/support/temp_tree.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;
using testing::FakeRunDisplay;
using testing::Log;
using tolvane::testing::TempTree;

fs::path native_path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Every file below `folder`, as relative paths written with "/", with its
// bytes: the whole state of a tree in one comparable value.
std::map<std::string, std::string> files_below(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(native_path(folder))) {
    if (!entry.is_regular_file()) continue;
    const std::u8string relative =
        entry.path().lexically_relative(native_path(folder)).generic_u8string();
    std::ifstream in(entry.path(), std::ios::binary);
    files[std::string(relative.begin(), relative.end())] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

class CopyRunOnDisk : public ::testing::Test {
 protected:
  // Lists photos/<tag>/<name> as the scan would, with contents that a text
  // copy would mangle, and a modification time well in the past.
  void list(const std::string& tag, const std::string& name) {
    const std::string relative = "photos/" + tag + "/" + name;
    tree.write(relative, std::string("\0\r\n\xff", 4) + relative);
    fs::last_write_time(native_path(tree.path(relative)), old_time);
    window.add(tree.path(relative), tag);
  }

  void list_five() {
    list("2019", "x.jpg");
    list("2019", "y.jpg");
    list("trip", "a.jpg");
    list("trip", "b.jpg");
    list("trip", "c.jpg");
  }

  std::string content(const std::string& tag, const std::string& name) const {
    return tree.read("photos/" + tag + "/" + name);
  }

  std::optional<CopyReport> press_copy() {
    sources_before = files_below(tree.path("photos"));
    // Text2 as typed: no trailing separator.
    std::optional<CopyReport> report = run_copy_command(tree.path("out"), *disk, window);
    EXPECT_EQ(files_below(tree.path("photos")), sources_before) << "a source was changed";
    return report;
  }

  // Whole seconds, which every file system stores exactly.
  const fs::file_time_type old_time = std::chrono::floor<std::chrono::seconds>(
      fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  TempTree tree{"out/"};
  std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  Log log;
  FakeRunDisplay window{log};
  std::map<std::string, std::string> sources_before;
};

TEST_F(CopyRunOnDisk, FiveEntriesGoIntoPerTagFoldersUnderNumberedNames) {
  list_five();
  const std::optional<CopyReport> report = press_copy();
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->failures.empty());

  const std::map<std::string, std::string> expected = {
      {"2019/2019(1).jpg", content("2019", "x.jpg")},
      {"2019/2019(2).jpg", content("2019", "y.jpg")},
      {"trip/trip(1).jpg", content("trip", "a.jpg")},
      {"trip/trip(2).jpg", content("trip", "b.jpg")},
      {"trip/trip(3).jpg", content("trip", "c.jpg")}};
  EXPECT_EQ(files_below(tree.path("out")), expected);
  for (const auto& [relative, bytes] : expected) {
    EXPECT_EQ(fs::last_write_time(native_path(tree.path("out/" + relative))), old_time) << relative;
  }
  EXPECT_EQ(
      window.captions,
      (std::vector<std::string>{"进度：0.00%", "进度：25.00%", "进度：50.00%", "进度：75.00%",
                                "进度：100.00%", "进度：100.00%，正在写入磁盘…", "进度：100.00%"}));
  EXPECT_EQ(window.reports, (std::vector<std::pair<std::string, bool>>{{"已完成5条。", false}}));
}

// Folders of a few names taking turns in the listing, as on cards whose
// folders repeat the same names: the copies go out grouped by folder, yet
// each keeps the number of its place in the list, and every entry is told
// once, in list order.
TEST_F(CopyRunOnDisk, FoldersThatTakeTurnsKeepTheNumbersOfTheirPlacesInTheList) {
  struct ToldWindow final : FakeRunDisplay {
    using FakeRunDisplay::FakeRunDisplay;
    void entry_done(const EntryResult& result) override { told.push_back(result.index); }
    std::vector<std::size_t> told;
  };
  ToldWindow turns{log};
  const std::vector<std::string> tags = {"a", "b", "c"};
  std::map<std::string, std::string> expected;
  std::map<std::string, int> numbered;
  for (int card = 0; card < 300; ++card) {
    const std::string& tag = tags[card % tags.size()];
    for (int k = 0; k < 10; ++k) {
      const std::string relative =
          "photos/" + std::to_string(card) + "/" + tag + "/" + std::to_string(k) + ".jpg";
      tree.write(relative, relative);
      turns.add(tree.path(relative), tag);
      expected[tag + "/" + tag + "(" + std::to_string(++numbered[tag]) + ").jpg"] = relative;
    }
  }
  const std::optional<CopyReport> report =
      run_copy_command(tree.path("out"), *disk, turns, testing::pool_of_four);
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->failures.empty());
  EXPECT_EQ(files_below(tree.path("out")), expected);
  std::vector<std::size_t> in_list_order(expected.size());
  std::iota(in_list_order.begin(), in_list_order.end(), std::size_t{0});
  EXPECT_EQ(turns.told, in_list_order);
  EXPECT_EQ(turns.reports, (std::vector<std::pair<std::string, bool>>{{"已完成3000条。", false}}));
}

TEST_F(CopyRunOnDisk, FlatModePutsEveryCopyIntoTheRoot) {
  list_five();
  window.flat = true;
  press_copy();
  const std::map<std::string, std::string> expected = {{"2019(1).jpg", content("2019", "x.jpg")},
                                                       {"2019(2).jpg", content("2019", "y.jpg")},
                                                       {"trip(1).jpg", content("trip", "a.jpg")},
                                                       {"trip(2).jpg", content("trip", "b.jpg")},
                                                       {"trip(3).jpg", content("trip", "c.jpg")}};
  EXPECT_EQ(files_below(tree.path("out")), expected);
}

TEST_F(CopyRunOnDisk, KeepNameModeIntoAnExistingFolderReplacesOldCopies) {
  list_five();
  tree.write("out/trip/a.jpg", "an older copy");
  window.extension = ".*";
  press_copy();
  const std::map<std::string, std::string> expected = {{"2019/x.jpg", content("2019", "x.jpg")},
                                                       {"2019/y.jpg", content("2019", "y.jpg")},
                                                       {"trip/a.jpg", content("trip", "a.jpg")},
                                                       {"trip/b.jpg", content("trip", "b.jpg")},
                                                       {"trip/c.jpg", content("trip", "c.jpg")}};
  EXPECT_EQ(files_below(tree.path("out")), expected);
  EXPECT_FALSE(window.reports.at(0).second);
}

TEST_F(CopyRunOnDisk, StartUpTextCopiesNothing) {
  list_five();
  std::optional<CopyReport> report = run_copy_command(tree.root(), *disk, window);
  EXPECT_FALSE(report.has_value());
  report = run_copy_command("", *disk, window);
  EXPECT_FALSE(report.has_value());
  EXPECT_TRUE(files_below(tree.path("out")).empty());
  EXPECT_TRUE(window.reports.empty());
}

TEST_F(CopyRunOnDisk, DestinationInsideTheSourceTreeNeverWritesASource) {
  list("trip", "trip(1).jpg");
  list("trip", "trip(2).jpg");
  sources_before = files_below(tree.path("photos"));
  const CopyReport report = copy_folder(tree.path("photos/"), *disk, window);
  EXPECT_TRUE(report.failures.empty());
  std::map<std::string, std::string> expected = sources_before;
  expected["trip/trip(3).jpg"] = sources_before.at("trip/trip(1).jpg");
  expected["trip/trip(4).jpg"] = sources_before.at("trip/trip(2).jpg");
  EXPECT_EQ(files_below(tree.path("photos")), expected);
}

TEST_F(CopyRunOnDisk, FileInThePlaceOfAFolderFailsOnlyThatFoldersEntries) {
  list_five();
  tree.write("out/trip", "a file named like the folder");
  const std::optional<CopyReport> report = press_copy();
  ASSERT_TRUE(report.has_value());
  ASSERT_EQ(report->failures.size(), 3u);
  EXPECT_EQ(report->failures[0].operation, CopyOperation::make_folder);
  EXPECT_EQ(files_below(tree.path("out")),
            (std::map<std::string, std::string>{{"2019/2019(1).jpg", content("2019", "x.jpg")},
                                                {"2019/2019(2).jpg", content("2019", "y.jpg")},
                                                {"trip", "a file named like the folder"}}));
  ASSERT_EQ(window.reports.size(), 1u);
  EXPECT_TRUE(window.reports[0].first.starts_with("已完成5条。\n其中3条失败：\n"));
  EXPECT_TRUE(window.reports[0].second);
}

TEST_F(CopyRunOnDisk, VanishedSourceIsReportedAndTheOthersAreCopied) {
  list_five();
  fs::remove(native_path(tree.path("photos/trip/b.jpg")));
  const std::optional<CopyReport> report = press_copy();
  ASSERT_EQ(report->failures.size(), 1u);
  EXPECT_EQ(report->failures[0].source, tree.path("photos/trip/b.jpg"));
  EXPECT_EQ(report->failures[0].error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(files_below(tree.path("out")).size(), 4u);
  EXPECT_FALSE(fs::exists(native_path(tree.path("out/trip/trip(2).jpg"))));
  EXPECT_TRUE(window.reports.at(0).second);
}

TEST_F(CopyRunOnDisk, ReadOnlyDestinationLosesNothing) {
  list_five();
  tree.write("out/trip/trip(1).jpg", "an older copy");
  fs::permissions(native_path(tree.path("out/trip")),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::permissions(native_path(tree.path("out")),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (std::ofstream(native_path(tree.path("out/probe"))).is_open()) {
    GTEST_SKIP() << "this user may write into read-only folders (root?), nothing to test";
  }
  const std::optional<CopyReport> report = press_copy();
  ASSERT_EQ(report->failures.size(), 5u);
  EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "an older copy");
  EXPECT_EQ(files_below(tree.path("out")).size(), 1u);
  EXPECT_TRUE(window.reports.at(0).second);
}

}  // namespace
}  // namespace tolvane::copy
