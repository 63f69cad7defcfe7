// A copy killed half-way (POSIX): a child process copies large files over
// older copies again and again and is killed with SIGKILL while a copy is
// being written.  Every target that existed before is then still there, the
// older file whole or the new one whole; anything left over is a hidden
// temporary that no scan lists and that the next run writing into that
// folder removes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "scan/folder_walk.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/scan/recording_scan_window.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;
namespace tt = ::tolvane::testing;

constexpr int file_count = 4;

bool is_temporary_name(const std::string& name) {
  return name.starts_with(".tolvane-") && name.ends_with(".tmp");
}

// The hidden temporaries in `folder` that hold at least one byte.
std::vector<std::string> written_temporaries(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    std::error_code size_error;
    if (is_temporary_name(name) && entry.file_size(size_error) > 0 && !size_error) {
      found.push_back(name);
    }
  }
  return found;
}

// True when `pid` holds open a file being written in `folder` that has no
// name yet (O_TMPFILE shows in /proc as "<folder>/#<inode> (deleted)").
bool writing_unnamed_file(pid_t pid, const std::string& folder) {
  std::error_code error;
  const std::string marker = folder + "#";
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code link_error;
    const std::string target = fs::read_symlink(fd.path(), link_error).string();
    if (!link_error && target.starts_with(marker) && target.ends_with(" (deleted)")) return true;
  }
  return false;
}

class KilledCopy : public ::testing::TestWithParam<std::size_t> {
 protected:
  KilledCopy() {
    for (int k = 1; k <= file_count; ++k) {
      const std::string name = "photos/t/" + std::to_string(k) + ".jpg";
      tree.write(name, tt::random_bytes(24 << 20, k));
      window.add(tree.path(name), "t");
    }
  }

  void write_older_copies() {
    for (int k = 1; k <= file_count; ++k) {
      tree.write(older(k), tt::random_bytes(1 << 20, 100 + k));
    }
  }
  static std::string older(int k) { return "out/t/t(" + std::to_string(k) + ").jpg"; }

  // Starts a child that runs the copy over and over, and kills it as soon as
  // it is seen writing a copy, named or not yet.  True when the kill struck
  // mid-copy.
  bool kill_during_a_copy() {
    const pid_t child = ::fork();
    if (child == 0) {
      std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
      for (;;) {
        window.reports.clear();
        window.captions.clear();
        log.clear();
        copy_folder(tree.path("out/"), *disk, window, GetParam());
      }
    }
    EXPECT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool struck = false;
    while (!struck && std::chrono::steady_clock::now() < deadline) {
      struck = !written_temporaries(tree.path("out/t")).empty() ||
               writing_unnamed_file(child, tree.path("out/t/"));
      if (!struck) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return struck;
  }

  // Each target is the older file or the new copy, whole: a replacement
  // that removed the old one first would leave nothing there.
  void expect_old_or_new(const tt::TreeFiles& old) {
    for (int k = 1; k <= file_count; ++k) {
      const std::string relative = older(k);
      SCOPED_TRACE(relative);
      ASSERT_TRUE(fs::exists(tree.path(relative))) << "vanished";
      const std::string bytes = tt::read_file(tree.path(relative));
      const bool is_old = bytes == old.at(relative.substr(4));
      const bool is_new =
          bytes == tt::read_file(tree.path("photos/t/" + std::to_string(k) + ".jpg"));
      EXPECT_TRUE(is_old || is_new) << bytes.size() << " bytes: neither whole";
      tt::count_compared(1);
    }
  }

  tt::TempTree tree;
  testing::Log log;
  testing::FakeRunDisplay window{log};
};

TEST_P(KilledCopy, EveryTargetIsOldOrNewAndTheLeftoverIsHiddenThenCleared) {
  write_older_copies();
  const tt::TreeFiles old = tt::files_below(tree.path("out"));
  int kills_mid_copy = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE("attempt " + std::to_string(attempt));
    const bool struck = kill_during_a_copy();
    expect_old_or_new(old);
    const std::vector<std::string> leftovers = tt::hidden_files_below(tree.path("out"));
    for (const std::string& leftover : leftovers) {
      EXPECT_TRUE(is_temporary_name(leftover.substr(leftover.rfind('/') + 1))) << leftover;
    }
    if (struck) ++kills_mid_copy;
  }
  ASSERT_GT(kills_mid_copy, 0) << "no copy was caught half-written";

  // No scan of this tool lists the leftover, whatever the extension.
  for (const std::string extension : {".tmp", ".*", ""}) {
    tt::RecordingScanWindow scan_window(extension);
    scan::Search_folder(tree.path("out/"), *fsys::make_native_file_system(), scan_window);
    for (const auto& [path, tag] : scan_window.entries) {
      EXPECT_FALSE(is_temporary_name(path.substr(path.rfind('/') + 1))) << path;
    }
  }

  // The next run into that folder finishes every copy and clears the rest.
  testing::Log next_log;
  testing::FakeRunDisplay next{next_log};
  next.list1 = window.list1;
  next.list2 = window.list2;
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  const CopyReport report = copy_folder(tree.path("out/"), *disk, next, GetParam());
  EXPECT_TRUE(report.failures.empty());
  EXPECT_TRUE(tt::hidden_files_below(tree.path("out")).empty());
  tt::TreeFiles expected;
  for (int k = 1; k <= file_count; ++k) {
    expected["t/t(" + std::to_string(k) + ").jpg"] =
        tt::read_file(tree.path("photos/t/" + std::to_string(k) + ".jpg"));
  }
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("out")), expected), "");
  tt::count_compared(expected.size());
  std::cout << "[ figures ] files compared byte for byte: " << tt::compared_so_far() << "\n";
}

// A process id that is certainly not running now: a child that has ended.
pid_t ended_process() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(StaleTemporaries, OnlyThoseOfEndedWritersGoAndOnlyWhereTheRunWrites) {
  tt::TempTree tree{"photos/t/a.jpg"};
  const std::string dead = std::to_string(ended_process());
  const std::string alive = std::to_string(::getppid());
  const std::string mine = std::to_string(::getpid());
  const std::vector<std::string> kept = {
      ".tolvane-" + alive + "-0-1.tmp",      // its writer still runs
      ".tolvane-" + mine + "-7-1.tmp",       // this very process
      ".tolvane-x" + dead + "-0-1.tmp",      // not a process id
      ".tolvane-" + dead + "-0-1.tmp.keep",  // another name
      ".tolvane-" + dead + "-0.tmp",         // one part short
      "tolvane-" + dead + "-0-1.tmp",        // not hidden: not ours
      ".other-" + dead + "-0-1.tmp",
  };
  for (const std::string& name : kept) tree.write("out/t/" + name, "keep");
  tree.write("out/t/.tolvane-" + dead + "-0-123.tmp", "stale");
  tree.write("out/t/.tolvane-" + dead + "-12-4567.tmp", "stale");
  tree.add("out/t/.tolvane-" + dead + "-0-9.tmp/");  // a folder: not ours
  tree.write("out/u/.tolvane-" + dead + "-0-1.tmp", "elsewhere");

  testing::Log log;
  testing::FakeRunDisplay window{log};
  window.add(tree.path("photos/t/a.jpg"), "t");
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  const CopyReport report = copy_folder(tree.path("out/"), *disk, window);
  EXPECT_TRUE(report.failures.empty());

  std::vector<std::string> expected = kept;
  expected.push_back(".tolvane-" + dead + "-0-9.tmp");
  expected.push_back("t(1).jpg");
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> present;
  for (const auto& entry : fs::directory_iterator(tree.path("out/t"))) {
    present.push_back(entry.path().filename().string());
  }
  std::sort(present.begin(), present.end());
  EXPECT_EQ(present, expected);
  EXPECT_EQ(tree.read("out/u/.tolvane-" + dead + "-0-1.tmp"), "elsewhere");
}

INSTANTIATE_TEST_SUITE_P(Workers, KilledCopy, testing::worker_counts, testing::worker_count_name);

}  // namespace
}  // namespace tolvane::copy
