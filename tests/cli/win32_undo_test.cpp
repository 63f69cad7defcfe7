// Undo on Windows through the command line, judged by the disk and the
// journal: every copy's journal line is on the disk before the copy takes
// its name; a file the run replaced comes back to its name from the
// set-aside folder, and the folders the run made go; one in the Recycle Bin
// is named where it is.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "fsys/forwarding_file_system.h"
#include "fsys/replace_steps.h"
#include "fsys/restorer.h"
#include "fsys/win32/path.h"
#include "journal/recorded_run.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace fs = std::filesystem;
namespace tt = tolvane::testing;
using testing::run_cli;

// The native file system, looking at the run's journals each time a batch
// is about to be named: by then each of its copies must have its line.
class JournalWatcher final : public fsys::ForwardingFileSystem {
 public:
  fsys::CopyStart start_copy(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike) override {
    fsys::CopyStart start = ForwardingFileSystem::start_copy(source, target, look_alike);
    // The copy threads start copies side by side.
    const std::lock_guard lock(targets_mutex_);
    if (start.staged) targets.push_back(target);
    return start;
  }
  void name_copies(std::vector<fsys::CopyNaming>& batch) override {
    for (const fsys::CopyNaming& naming : batch) named_so_far += naming.staged ? 1 : 0;
    if (recorded_targets().size() < named_so_far) ++batches_named_ahead_of_journal;
    ++batches;
    ForwardingFileSystem::name_copies(batch);
  }

  // The targets of every copy the journals on the disk record, as undo
  // reads them.
  static std::vector<std::string> recorded_targets() {
    std::vector<std::string> targets;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fsys::win32::to_utf16(fsys::journal_folder()), error)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const std::string path = fsys::win32::to_utf8(entry.path().wstring()).value_or("");
      for (const journal::RecordedCopy& copy : journal::parse_journal(path, text).copies) {
        targets.push_back(copy.target);
      }
    }
    return targets;
  }

  std::vector<std::string> targets;
  std::size_t named_so_far = 0;
  std::size_t batches = 0;
  std::size_t batches_named_ahead_of_journal = 0;

 private:
  std::mutex targets_mutex_;
};

std::error_code no_bin(fsys::ReplaceStep step) {
  return step == fsys::ReplaceStep::put_in_trash
             ? std::make_error_code(std::errc::cross_device_link)
             : std::error_code();
}

void set_old_time(const std::string& path) {
  fs::last_write_time(fsys::win32::to_utf16(path),
                      fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
}

class Win32Undo : public ::testing::Test {
 protected:
  void SetUp() override {
    // This user's journals stay out of the way of the test's.
    _wputenv_s(L"LOCALAPPDATA", fsys::win32::to_utf16(journals_.root()).c_str());
    for (int k = 1; k <= 3; ++k) {
      tree_.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(1000 + k, k));
    }
    tree_.write("src/home/1.jpg", tt::random_bytes(700, 9));
    tree_.write("dst/trip/trip(2).jpg", "the user's own trip(2)");
    set_old_time(tree_.path("dst/trip/trip(2).jpg"));
  }
  void TearDown() override { fsys::set_replace_step_probe(nullptr); }

  tt::TempTree journals_;
  tt::TempTree tree_{"dst/"};
};

TEST_F(Win32Undo, PutsBackFromTheSetAsideFolderWhatTheJournalNamedBeforeTheCopyTookIt) {
  fsys::set_replace_step_probe(no_bin);
  const std::string dst = tree_.path("dst");
  const tt::TreeFiles before = tt::files_below(dst);
  JournalWatcher watcher;
  const testing::CliResult run = run_cli({tree_.path("src"), dst}, false, &watcher);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ASSERT_EQ(tt::files_below(dst).at("被替换的文件/trip/trip(2).jpg"), "the user's own trip(2)");
  EXPECT_EQ(watcher.targets.size(), 4u);
  EXPECT_GT(watcher.batches, 0u);
  EXPECT_EQ(watcher.batches_named_ahead_of_journal, 0u);
  const std::vector<std::string> recorded = JournalWatcher::recorded_targets();
  for (const std::string& target : watcher.targets) {
    EXPECT_NE(std::find(recorded.begin(), recorded.end(), target), recorded.end()) << target;
  }

  const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  const testing::JsonObject summary = testing::parse_json_lines(undone.out).back();
  EXPECT_EQ(summary.at("deleted").text, "4");
  EXPECT_EQ(summary.at("put_back").text, "1");
  // The destination is as it was: the user's file at its name, and neither
  // the set-aside folder nor home\, which the run made, is left.
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
  EXPECT_FALSE(fs::exists(fsys::win32::to_utf16(tree_.path("dst/被替换的文件"))));
  EXPECT_FALSE(fs::exists(fsys::win32::to_utf16(tree_.path("dst/home"))));
}

TEST_F(Win32Undo, NamesWhereAFileInTheRecycleBinIs) {
  const std::string dst = tree_.path("dst");
  const testing::CliResult run = run_cli({tree_.path("src"), dst});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ASSERT_NE(run.out.find("其中1条替换了原有文件"), std::string::npos) << run.out;

  const testing::CliResult undone = run_cli({"--undo", dst});
  // The copies go; the replaced file is not at its name, and the report
  // says where it is rather than that all was put back.
  EXPECT_EQ(undone.status, 1) << undone.out << undone.err;
  EXPECT_NE(undone.out.find(tree_.path("dst/trip/trip(2).jpg") +
                            "：被替换的文件仍在回收站中，可从回收站还原"),
            std::string::npos)
      << undone.out;
  EXPECT_EQ(tt::files_below(dst), tt::TreeFiles{});
}

}  // namespace
}  // namespace tolvane::cli
