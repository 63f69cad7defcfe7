// Files that stood at target names before the run (POSIX, real disk): a
// different one goes to the trash whole with its record, an identical one
// is left untouched, one that cannot be trashed stays and its entry fails,
// and a replacement stopped at any step, by an error or by SIGKILL, leaves
// every old content at its target or in the trash.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "fsys/posix/trash.h"
#include "fsys/replace_steps.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/support/posix_setup.h"
#include "tests/support/private_trash.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;
namespace tt = ::tolvane::testing;

// The trash's contents: its files/ by name, and each record's text.
struct TrashSnapshot {
  tt::TreeFiles files;
  tt::TreeFiles records;
};

TrashSnapshot trash_at(const std::string& root) {
  return {tt::files_below(root + "files"), tt::files_below(root + "info")};
}

void empty_trash() {
  std::error_code ignored;
  fs::remove_all(tt::home_trash(), ignored);
}

std::string today() {
  const time_t now = ::time(nullptr);
  struct tm local;
  ::localtime_r(&now, &local);
  char text[16];
  ::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// What a record must say of `original`; the time of day is checked by form.
void expect_record(const std::string& record, const std::string& path_line) {
  EXPECT_TRUE(
      record.starts_with("[Trash Info]\nPath=" + path_line + "\nDeletionDate=" + today() + "T"))
      << record;
  ASSERT_EQ(record.size(), record.find("DeletionDate=") + 13 + 19 + 1) << record;
  const std::string clock = record.substr(record.size() - 9, 8);
  EXPECT_TRUE(clock[2] == ':' && clock[5] == ':') << record;
}

class Replace : public ::testing::TestWithParam<std::size_t> {
 protected:
  Replace() {
    empty_trash();
    tree.write("photos/trip/a.jpg", tt::random_bytes(70'000, 1));
    tree.write("photos/trip/b.jpg", tt::random_bytes(5'000, 2));
    tree.write("photos/trip/c.jpg", tt::random_bytes(9'000, 3));
    for (const char* name : {"a", "b", "c"}) {
      window.add(tree.path("photos/trip/" + std::string(name) + ".jpg"), "trip");
    }
  }
  ~Replace() override { fsys::set_replace_step_probe(nullptr); }

  CopyReport run() {
    window.reports.clear();
    return copy_folder(tree.path("out/"), *disk, window, GetParam());
  }

  tt::TempTree tree;
  testing::Log log;
  testing::FakeRunDisplay window{log};
  std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
};

TEST_P(Replace, DifferentFilesGoToTheTrashWithRecordsThenARerunWritesNothing) {
  // An earlier gather's copies under the same names, one of them a hard
  // link elsewhere too; a file of another name must not be touched.
  tree.write("out/trip/trip(1).jpg", "first trip, photo 1");
  tree.write("out/trip/trip(3).jpg", "first trip, photo 3 with 100% & a #");
  tree.write("out/trip/notes.txt", "keep");
  const tt::TreeFiles before = tt::files_below(tree.path("out"));

  const CopyReport first = run();
  EXPECT_TRUE(first.failures.empty());
  EXPECT_EQ(first.replaced, 2u);
  EXPECT_EQ(window.reports.at(0).first,
            "已完成3条。\n其中2条替换了原有文件，原有文件已移入回收站。");
  tt::TreeFiles expected = {{"trip/notes.txt", "keep"}};
  for (const char* name : {"a", "b", "c"}) {
    expected["trip/trip(" + std::to_string(name[0] - 'a' + 1) + ").jpg"] =
        tree.read("photos/trip/" + std::string(name) + ".jpg");
  }
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("out")), expected), "");

  const TrashSnapshot trash = trash_at(tt::home_trash());
  EXPECT_EQ(trash.files, (tt::TreeFiles{{"trip(1).jpg", before.at("trip/trip(1).jpg")},
                                        {"trip(3).jpg", before.at("trip/trip(3).jpg")}}));
  ASSERT_EQ(trash.records.size(), 2u);
  const std::string folder = fs::canonical(tree.path("out/trip")).string();
  expect_record(trash.records.at("trip(1).jpg.trashinfo"),
                fsys::posix::percent_encoded(folder) + "/trip%281%29.jpg");
  expect_record(trash.records.at("trip(3).jpg.trashinfo"),
                fsys::posix::percent_encoded(folder) + "/trip%283%29.jpg");

  // The same gather again: the targets are left as they are, to the inode
  // and change time, and the trash takes nothing.
  struct stat was[3];
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(
        ::stat(tree.path("out/trip/trip(" + std::to_string(k + 1) + ").jpg").c_str(), &was[k]), 0);
  }
  const CopyReport again = run();
  EXPECT_EQ(again.unchanged, 3u);
  EXPECT_EQ(window.reports.at(0).first, "已完成3条。\n其中3条与原有文件相同，不重新拷贝。");
  for (int k = 0; k < 3; ++k) {
    struct stat now;
    ASSERT_EQ(::stat(tree.path("out/trip/trip(" + std::to_string(k + 1) + ").jpg").c_str(), &now),
              0);
    EXPECT_EQ(now.st_ino, was[k].st_ino);
    EXPECT_EQ(now.st_ctim.tv_sec, was[k].st_ctim.tv_sec);
    EXPECT_EQ(now.st_ctim.tv_nsec, was[k].st_ctim.tv_nsec);
  }
  EXPECT_EQ(trash_at(tt::home_trash()).files.size(), 2u);

  // A file of the same size but another time is not taken for the copy.
  tree.write("out/trip/trip(2).jpg", std::string(5'000, 'x'));
  const CopyReport third = run();
  EXPECT_EQ(third.replaced, 1u);
  EXPECT_EQ(third.unchanged, 2u);
  EXPECT_EQ(tree.read("out/trip/trip(2).jpg"), tree.read("photos/trip/b.jpg"));
  EXPECT_EQ(trash_at(tt::home_trash()).files.at("trip(2).jpg"), std::string(5'000, 'x'));
}

// Trash names already taken get the next free one; the record's name is
// reserved first, so a name with a record but no file is skipped too.
TEST_P(Replace, TakenTrashNamesAreSkipped) {
  tree.write("out/trip/trip(1).jpg", "old");
  fs::create_directories(tt::home_trash() + "files");
  fs::create_directories(tt::home_trash() + "info");
  std::FILE* f = std::fopen((tt::home_trash() + "info/trip(1).jpg.trashinfo").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  f = std::fopen((tt::home_trash() + "files/trip(1).2.jpg").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(run().replaced, 1u);
  EXPECT_EQ(tt::read_file(tt::home_trash() + "files/trip(1).3.jpg"), "old");
  EXPECT_TRUE(fs::exists(tt::home_trash() + "info/trip(1).3.jpg.trashinfo"));
  EXPECT_FALSE(fs::exists(tt::home_trash() + "info/trip(1).2.jpg.trashinfo"));
}

// Old files of one name in several folders, replaced by copies made side
// by side: each takes a trash name of its own, none is lost or doubled.
TEST_P(Replace, SameNamesFromSeveralFoldersTakeTrashNamesOfTheirOwn) {
  constexpr int folders = 12;
  window.list1.clear();
  window.list2.clear();
  window.extension = ".*";
  std::multiset<std::string> old_contents;
  for (int k = 1; k <= folders; ++k) {
    const std::string tag = "t" + std::to_string(k);
    tree.write("photos/" + tag + "/x.jpg", tt::random_bytes(3'000 + k, 50 + k));
    window.add(tree.path("photos/" + tag + "/x.jpg"), tag);
    const std::string old = "older x.jpg of " + tag;
    tree.write("out/" + tag + "/x.jpg", old);
    old_contents.insert(old);
  }
  const CopyReport report = run();
  EXPECT_TRUE(report.failures.empty()) << window.reports.at(0).first;
  EXPECT_EQ(report.replaced, static_cast<std::size_t>(folders));
  const TrashSnapshot trash = trash_at(tt::home_trash());
  std::multiset<std::string> trashed;
  for (const auto& [name, bytes] : trash.files) {
    trashed.insert(bytes);
    EXPECT_TRUE(trash.records.contains(name + ".trashinfo")) << name;
  }
  EXPECT_EQ(trashed, old_contents);
  EXPECT_EQ(trash.records.size(), static_cast<std::size_t>(folders));
}

// A trash that is there but refuses the file (read-only, run as an
// unprivileged user): the old file stays whole, the entry fails saying so,
// and the trash holds no half record.
TEST_P(Replace, AnOldFileThatCannotBeTrashedStaysAndItsEntryFails) {
  if (tt::is_root()) GTEST_SKIP() << "root writes a read-only folder";
  fs::create_directories(tt::home_trash() + "files");
  fs::create_directories(tt::home_trash() + "info");
  fs::permissions(tt::home_trash() + "info", fs::perms::owner_read | fs::perms::owner_exec);
  tree.write("out/trip/trip(2).jpg", "the only copy");
  const CopyReport report = run();
  fs::permissions(tt::home_trash() + "info", fs::perms::owner_all);
  EXPECT_EQ(tree.read("out/trip/trip(2).jpg"), "the only copy");
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_EQ(report.failures[0].index, 1u);
  EXPECT_NE(window.reports.at(0).first.find("原有文件无法移入回收站，已原样保留：没有权限"),
            std::string::npos)
      << window.reports.at(0).first;
  EXPECT_TRUE(window.reports.at(0).second);
  EXPECT_EQ(trash_at(tt::home_trash()).records, tt::TreeFiles{});
  EXPECT_EQ(tt::hidden_files_below(tree.path("out/trip")), std::vector<std::string>{});
}

// A volume whose trash cannot be made (a tmpfs with a file where this
// user's .Trash-$uid would go, and the home trash on another volume) keeps
// each old file in the destination's set-aside folder under its path below
// the root: the entry succeeds and the closing message says where.  A second
// replacement of the same name takes a name with the time beside the first.
TEST_P(Replace, WithoutAUsableTrashTheOldFileIsSetAsideInTheDestination) {
  fs::create_directories(tree.path("out"));
  tt::TmpfsMount mount(tree.path("out"), "size=1m");
  if (!mount.mounted()) GTEST_SKIP() << mount.reason();
  const std::string blocked = ".Trash-" + std::to_string(::getuid());
  tree.write("out/" + blocked, "not a folder");
  tree.write("out/trip/trip(2).jpg", "the only copy");
  tree.write("out/trip/trip(3).jpg", tree.read("photos/trip/c.jpg"));  // unchanged
  fs::last_write_time(tree.path("out/trip/trip(3).jpg"),
                      fs::last_write_time(tree.path("photos/trip/c.jpg")));

  CopyReport report = run();
  EXPECT_TRUE(report.failures.empty()) << window.reports.at(0).first;
  EXPECT_EQ(report.set_aside, 1u);
  EXPECT_EQ(report.replaced, 0u);
  EXPECT_EQ(window.reports.at(0),
            std::make_pair("已完成3条。\n其中1条替换了原有文件，因该磁盘没有可用的回收站，"
                           "原有文件已按原来的相对路径移入“" +
                               tree.path("out/被替换的文件/") +
                               "”。\n其中1条与原有文件相同，不重新拷贝。",
                           false));
  tt::TreeFiles expected = {{blocked, "not a folder"},
                            {"被替换的文件/trip/trip(2).jpg", "the only copy"}};
  for (const char* name : {"a", "b", "c"}) {
    expected["trip/trip(" + std::to_string(name[0] - 'a' + 1) + ").jpg"] =
        tree.read("photos/trip/" + std::string(name) + ".jpg");
  }
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("out")), expected), "");
  EXPECT_EQ(trash_at(tt::home_trash()).files, tt::TreeFiles{});

  const std::string first_b = tree.read("photos/trip/b.jpg");
  tree.write("photos/trip/b.jpg", "b, edited since");
  report = run();
  EXPECT_EQ(report.set_aside, 1u);
  EXPECT_EQ(report.unchanged, 2u);
  const tt::TreeFiles kept = tt::files_below(tree.path("out/被替换的文件/trip"));
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept.at("trip(2).jpg"), "the only copy");
  const auto& [stamped, bytes] =
      *(kept.begin()->first == "trip(2).jpg" ? std::next(kept.begin()) : kept.begin());
  EXPECT_EQ(bytes, first_b);
  // "trip(2) 20260105-093000.jpg": the time as the set-aside names take it.
  EXPECT_TRUE(stamped.starts_with("trip(2) 2") && stamped.ends_with(".jpg") &&
              stamped.size() == std::string("trip(2) 20260105-093000.jpg").size())
      << stamped;
  EXPECT_EQ(tree.read("out/trip/trip(2).jpg"), "b, edited since");
  EXPECT_EQ(tt::hidden_files_below(tree.path("out")), std::vector<std::string>{blocked});
}

// ---- A replacement stopped at each step ------------------------------------

fsys::ReplaceStep stop_at;
bool kill_there = false;

std::error_code stop(fsys::ReplaceStep step) {
  if (step != stop_at) return {};
  if (kill_there) ::raise(SIGKILL);
  return std::make_error_code(std::errc::io_error);
}

constexpr fsys::ReplaceStep steps[] = {
    fsys::ReplaceStep::write_new_content, fsys::ReplaceStep::reserve_trash_info,
    fsys::ReplaceStep::put_in_trash, fsys::ReplaceStep::take_target_name};

// After a replacement of trip(1).jpg ended early: the old content is at the
// target or in the trash, the target is old or new whole, no visible file
// was added, and (when `failed`) the trash took nothing.
void expect_nothing_lost(const tt::TempTree& tree, const std::string& old, bool failed) {
  const std::string now = tree.read("out/trip/trip(1).jpg");
  const std::string fresh = tree.read("photos/trip/a.jpg");
  EXPECT_TRUE(now == old || now == fresh) << now.size() << " bytes: neither whole";
  const TrashSnapshot trash = trash_at(tt::home_trash());
  const bool in_trash = trash.files.contains("trip(1).jpg") && trash.files.at("trip(1).jpg") == old;
  EXPECT_TRUE(now == old || in_trash) << "the old content is gone";
  EXPECT_TRUE(!in_trash || trash.records.contains("trip(1).jpg.trashinfo"));
  EXPECT_TRUE(!failed || (trash.files.empty() && trash.records.empty()));
  for (const auto& [relative, bytes] : tt::files_below(tree.path("out"))) {
    const bool hidden = relative.find("/.") != std::string::npos;
    EXPECT_TRUE(hidden || relative == "trip/trip(1).jpg") << relative;
  }
}

TEST_P(Replace, AnErrorAtAnyStepKeepsTheOldFileAtItsName) {
  window.list1.resize(1);
  window.list2.resize(1);
  for (const fsys::ReplaceStep step : steps) {
    SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
    empty_trash();
    tree.write("out/trip/trip(1).jpg", "old content");
    stop_at = step;
    kill_there = false;
    fsys::set_replace_step_probe(stop);
    const CopyReport report = run();
    EXPECT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "old content");
    expect_nothing_lost(tree, "old content", /*failed=*/true);
    EXPECT_EQ(tt::hidden_files_below(tree.path("out")), std::vector<std::string>{});
  }
}

TEST_P(Replace, KilledAtAnyStepLosesNoOldContent) {
  window.list1.resize(1);
  window.list2.resize(1);
  for (const fsys::ReplaceStep step : steps) {
    SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
    empty_trash();
    tree.write("out/trip/trip(1).jpg", "old content");
    stop_at = step;
    kill_there = true;
    const pid_t child = ::fork();
    if (child == 0) {
      fsys::set_replace_step_probe(stop);
      run();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    expect_nothing_lost(tree, "old content", /*failed=*/false);
  }
  // Killed after the last step: the replacement is whole.
  empty_trash();
  tree.write("out/trip/trip(1).jpg", "old content");
  EXPECT_EQ(run().replaced, 1u);
  EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), tree.read("photos/trip/a.jpg"));
  expect_nothing_lost(tree, "old content", /*failed=*/false);
}

INSTANTIATE_TEST_SUITE_P(Workers, Replace, testing::worker_counts, testing::worker_count_name);

}  // namespace
}  // namespace tolvane::copy
