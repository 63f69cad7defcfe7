// Undo off the happy path, judged by the disk, the exit status and the
// words: a run killed at each step of its replacements, an undo killed
// between two of its own steps or refused half-way and then run again, and a
// journal that cannot be written.  Every time the destination and the trash
// end as they were before the run, and undo says only what is true.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/replace_steps.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/faulty_restorer.h"
#include "tests/support/private_trash.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace fs = std::filesystem;
namespace tt = tolvane::testing;
using testing::run_cli;
using Call = tt::FaultyRestorer::Call;

constexpr int folders = 3;
constexpr int per_folder = 6;

// What the user has: DEST's files with their bytes and times, and the trash.
struct Snapshot {
  tt::TreeFiles files;
  std::map<std::string, long long> times;
  tt::TreeFiles trash;

  bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const std::string& dst) {
  Snapshot shot{tt::files_below(dst), {}, tt::files_below(tt::home_trash())};
  for (const auto& [name, bytes] : shot.files) {
    struct stat info;
    if (::stat((dst + "/" + name).c_str(), &info) == 0) {
      shot.times[name] = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
    }
  }
  return shot;
}

std::string difference(const Snapshot& now, const Snapshot& before) {
  std::string text = tt::tree_difference(now.files, before.files);
  for (const auto& [name, time] : before.times) {
    if (now.times.contains(name) && now.times.at(name) != time) text += name + ": time changed\n";
  }
  const std::string trash = tt::tree_difference(now.trash, before.trash);
  return trash.empty() ? text : text + "trash: " + trash;
}

// A source of three folders of photos, and at every name the run takes an
// older photo of the user's: each copy of the run replaces one.
class CutShort : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int f = 0; f < folders; ++f) {
      for (int k = 1; k <= per_folder; ++k) {
        tree_.write(source(f, k), tt::random_bytes(20'000 + 100 * k, f * 100 + k));
      }
    }
    make_users_files();
  }

  static std::string tag(int f) { return "t" + std::to_string(f); }
  static std::string source(int f, int k) {
    return "src/" + tag(f) + "/" + std::to_string(k) + ".jpg";
  }
  std::string dst() const { return tree_.path("dst"); }

  // DEST as the user had it before any run: only their own older photos.
  void make_users_files() {
    fs::remove_all(dst());
    for (int f = 0; f < folders; ++f) {
      for (int k = 1; k <= per_folder; ++k) {
        const std::string name = "dst/" + tag(f) + "/" + tag(f) + "(" + std::to_string(k) + ").jpg";
        tree_.write(name, "the user's own photo " + std::to_string(f * 100 + k));
        fs::last_write_time(tree_.path(name),
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
      }
    }
  }

  tt::TempTree tree_;
};

// The replacement step a child run is killed at, and the replacement.
fsys::ReplaceStep kill_step = fsys::ReplaceStep::write_new_content;
int kill_on = 1;
std::atomic<int> steps_reached{0};

std::error_code kill_at(fsys::ReplaceStep step) {
  if (step == kill_step && ++steps_reached == kill_on) ::raise(SIGKILL);
  return {};
}

// Runs tolvane-cli SRC DST in a child process killed (SIGKILL) at `step` of
// its `on`th replacement; true when it died there.
bool run_killed_at(const std::string& src, const std::string& dst, fsys::ReplaceStep step, int on) {
  kill_step = step;
  kill_on = on;
  steps_reached = 0;
  const pid_t child = ::fork();
  if (child == 0) {
    fsys::set_replace_step_probe(kill_at);
    run_cli({src, dst});
    ::_exit(0);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
         WTERMSIG(status) == SIGKILL;
}

TEST_F(CutShort, RunKilledAtEachStepOfAReplacementIsUndoneExactlyAndQuietly) {
  const fsys::ReplaceStep steps[] = {
      fsys::ReplaceStep::write_new_content, fsys::ReplaceStep::reserve_trash_info,
      fsys::ReplaceStep::put_in_trash, fsys::ReplaceStep::take_target_name};
  // The first replacement: the batch has its journal lines and no name yet.
  // A later one: some copies have their names, the rest of the batch none.
  for (const int on : {1, 8}) {
    for (const fsys::ReplaceStep step : steps) {
      SCOPED_TRACE("killed at step " + std::to_string(static_cast<int>(step)) + " of replacement " +
                   std::to_string(on));
      make_users_files();
      const Snapshot before = snapshot(dst());
      ASSERT_TRUE(run_killed_at(tree_.path("src"), dst(), step, on));
      const std::vector<std::string> left_hidden = tt::hidden_files_below(dst());

      const testing::CliResult undone = run_cli({"--undo", dst()});
      EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
      // Nothing the run never touched is said to be kept or changed.
      EXPECT_EQ(undone.out.find("未撤销"), std::string::npos) << undone.out;
      EXPECT_EQ(difference(snapshot(dst()), before), "");
      // What the kill left half-written went with the undo.
      EXPECT_EQ(tt::hidden_files_below(dst()), std::vector<std::string>{})
          << left_hidden.size() << " hidden after the kill";
    }
  }
}

TEST_F(CutShort, NextRunSweepsEveryFolderOfTheKilledRunNotOnlyItsOwn) {
  // Killed with a copy written under a hidden name in its folder.
  ASSERT_TRUE(run_killed_at(tree_.path("src"), dst(), fsys::ReplaceStep::reserve_trash_info, 8));
  ASSERT_FALSE(tt::hidden_files_below(dst()).empty());
  // The next run into DEST writes into a folder of its own only.
  tree_.write("other/new/1.jpg", tt::random_bytes(5'000, 7));
  const testing::CliResult next = run_cli({tree_.path("other"), dst()});
  ASSERT_EQ(next.status, 0) << next.out << next.err;
  EXPECT_EQ(tt::hidden_files_below(dst()), std::vector<std::string>{});
  EXPECT_EQ(tt::read_file(dst() + "/new/new(1).jpg"), tree_.read("other/new/1.jpg"));
}

TEST_F(CutShort, UndoKilledBetweenAnyTwoStepsIsFinishedByTheNext) {
  // Each copy is taken away, then the file it replaced put back: 36 changes.
  // Killed before the first, between a copy's removal and its put-back,
  // after a whole copy, and before the very last.
  for (const int kill_before : {1, 2, 3, 36}) {
    SCOPED_TRACE("undo killed before change " + std::to_string(kill_before));
    make_users_files();
    const Snapshot before = snapshot(dst());
    ASSERT_EQ(run_cli({tree_.path("src"), dst()}).status, 0);
    const pid_t child = ::fork();
    if (child == 0) {
      tt::FaultyRestorer restorer;
      int changes = 0;
      restorer.before_change = [&](Call, const std::string&) {
        if (++changes == kill_before) ::raise(SIGKILL);
      };
      std::ostringstream out, err;
      const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
      run({"--undo", dst()}, *disk, restorer, out, err, false);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const testing::CliResult undone = run_cli({"--undo", dst(), "--json"});
    EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
    const testing::JsonObject summary = testing::parse_json_lines(undone.out).back();
    EXPECT_EQ(summary.at("left").text, "0");
    // What the killed undo did is not done or said again.
    EXPECT_EQ(std::stoi(summary.at("deleted").text), 18 - kill_before / 2);
    EXPECT_EQ(difference(snapshot(dst()), before), "");
    // Done: a third undo finds it so.
    const testing::CliResult again = run_cli({"--undo", dst()});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("已撤销过"), std::string::npos) << again.err;
  }
}

TEST_F(CutShort, RestoreRefusedHalfWayIsSaidAndASecondUndoFinishesIt) {
  const Snapshot before = snapshot(dst());
  ASSERT_EQ(run_cli({tree_.path("src"), dst()}).status, 0);
  tt::FaultyRestorer restorer;
  restorer.fail(Call::put_back, 10, std::make_error_code(std::errc::permission_denied));
  std::ostringstream out, err;
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  EXPECT_EQ(run({"--undo", dst()}, *disk, restorer, out, err, false), 1);
  // Nine put back, nine refused: named, and the undo offered again.
  EXPECT_NE(out.str().find("放回了9个被替换的文件"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("9个文件未撤销"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("未能撤销，没有权限"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("可以再次撤销"), std::string::npos) << out.str();

  const testing::CliResult second = run_cli({"--undo", dst()});
  EXPECT_EQ(second.status, 0) << second.out << second.err;
  // Only what the first left: nothing deleted twice, nothing said changed.
  EXPECT_NE(second.out.find("删除了0个文件，放回了9个被替换的文件"), std::string::npos)
      << second.out;
  EXPECT_EQ(difference(snapshot(dst()), before), "");
}

TEST_F(CutShort, CopyTheUserDeletedBeforeUndoStillGetsItsReplacedFileBack) {
  const Snapshot before = snapshot(dst());
  ASSERT_EQ(run_cli({tree_.path("src"), dst()}).status, 0);
  fs::remove(dst() + "/t1/t1(2).jpg");
  const testing::CliResult undone = run_cli({"--undo", dst(), "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  const testing::JsonObject summary = testing::parse_json_lines(undone.out).back();
  EXPECT_EQ(summary.at("deleted").text, "17");
  EXPECT_EQ(summary.at("put_back").text, "18");
  EXPECT_EQ(difference(snapshot(dst()), before), "");
}

// A home whose state folder cannot hold the journals: XDG_STATE_HOME's
// "tolvane" is a file, for the life of the object.
class UnwritableJournals {
 public:
  explicit UnwritableJournals(tt::TempTree& tree) : saved_(std::getenv("XDG_STATE_HOME")) {
    tree.write("state/tolvane", "a file where the journals' folder would be");
    ::setenv("XDG_STATE_HOME", tree.path("state").c_str(), 1);
  }
  ~UnwritableJournals() { ::setenv("XDG_STATE_HOME", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

TEST_F(CutShort, RunThatCannotBeJournaledSaysSoFirstAndGoesOn) {
  fs::remove_all(dst());
  {
    const UnwritableJournals home(tree_);
    const testing::CliResult run = run_cli({tree_.path("src"), dst(), "--json"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    // After the line that DEST was made, one line with the reason.
    const std::size_t said = run.err.find("\ntolvane-cli：无法记录本次拷贝（");
    EXPECT_NE(said, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n', said + 1), run.err.find("），之后不能撤销。\n") + 27) << run.err;
    const testing::JsonObject summary = testing::parse_json_lines(run.out).back();
    EXPECT_FALSE(summary.at("journal").flag);
    EXPECT_EQ(summary.at("copied").text, std::to_string(folders * per_folder));
  }
  EXPECT_EQ(tt::files_below(dst()).size(), std::size_t{folders * per_folder});
  // A journaled run says nothing of the kind.
  const testing::CliResult recorded = run_cli({tree_.path("src"), dst(), "--json"});
  EXPECT_EQ(recorded.err, "");
  EXPECT_TRUE(testing::parse_json_lines(recorded.out).back().at("journal").flag);
}

TEST_F(CutShort, JournalThatStopsPartWaySaysSoInTheClosingMessage) {
  tt::FaultyRestorer restorer;
  // The header goes through; every line after it fails.
  restorer.fail(Call::append, 2, std::make_error_code(std::errc::no_space_on_device));
  std::ostringstream out, err;
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  EXPECT_EQ(run({tree_.path("src"), dst(), "--json"}, *disk, restorer, out, err, false), 0);
  const testing::JsonObject summary = testing::parse_json_lines(out.str()).back();
  EXPECT_FALSE(summary.at("journal").flag);
  EXPECT_NE(summary.at("message").text.find("本次拷贝的记录未能写完（磁盘空间不足"),
            std::string::npos)
      << summary.at("message").text;
}

}  // namespace
}  // namespace tolvane::cli
