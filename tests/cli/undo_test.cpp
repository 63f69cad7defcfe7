// Undo through the command line, judged by the disk: the destination and
// the trash as they were before the run, what changed since left and named,
// the only copy of a photo never destroyed; and re-runs into a destination
// inside the source leaving their own copies out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "fsys/posix/trash.h"
#include "fsys/restorer.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/json_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/support/private_trash.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = tolvane::testing;
using testing::run_cli;

// Every file below `folder` with its modification time in nanoseconds.
std::map<std::string, long long> times_below(const std::string& folder) {
  std::map<std::string, long long> times;
  for (const auto& [name, bytes] : tt::files_below(folder)) {
    struct stat info;
    if (::stat((folder + "/" + name).c_str(), &info) == 0) {
      times[name] = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
    }
  }
  return times;
}

void set_old_time(const std::string& path) {
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400));
}

TEST(Undo, PutsTheDestinationAndTheTrashBackAsTheyWere) {
  tt::TempTree tree({"dst/trip/"});
  for (int k = 1; k <= 3; ++k)
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(3000 + k, k));
  for (int k = 1; k <= 2; ++k)
    tree.write("src/home/" + std::to_string(k) + ".jpg", tt::random_bytes(500 + k, 10 + k));
  // Two files of the user's that the run replaces, and one it never meets.
  tree.write("dst/trip/trip(1).jpg", "the user's own trip(1)");
  tree.write("dst/trip/trip(3).jpg", "the user's own trip(3)");
  tree.write("dst/notes.txt", "kept");
  for (const char* name : {"dst/trip/trip(1).jpg", "dst/trip/trip(3).jpg", "dst/notes.txt"}) {
    set_old_time(tree.path(name));
  }
  const std::string dst = tree.path("dst");
  const tt::TreeFiles before = tt::files_below(dst);
  const auto times_before = times_below(dst);
  const tt::TreeFiles trash_before = tt::files_below(tt::home_trash());

  const testing::CliResult run = run_cli({tree.path("src"), dst});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ASSERT_NE(run.out.find("其中2条替换了原有文件"), std::string::npos) << run.out;
  const tt::TreeFiles after_run = tt::files_below(dst);

  // The plan says in numbers what will happen, and touches nothing.
  const testing::CliResult plan = run_cli({"--undo", dst, "--dry-run"});
  EXPECT_EQ(plan.status, 0) << plan.out << plan.err;
  EXPECT_NE(plan.out.find(
                "的5个文件，并把2个被替换的文件放回原处，移除拷贝时新建的1个文件夹（“home”）。"),
            std::string::npos)
      << plan.out;
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), after_run), "");

  const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  const testing::JsonObject summary = testing::parse_json_lines(undone.out).back();
  EXPECT_EQ(summary.at("deleted").text, "5");
  EXPECT_EQ(summary.at("put_back").text, "2");
  EXPECT_EQ(summary.at("folders_removed").text, "1");  // home/, which the run made
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
  EXPECT_EQ(times_below(dst), times_before);
  EXPECT_FALSE(std::filesystem::exists(tree.path("dst/home")));
  EXPECT_EQ(tt::tree_difference(tt::files_below(tt::home_trash()), trash_before), "");

  const testing::CliResult again = run_cli({"--undo", dst});
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("没有可撤销的拷贝"), std::string::npos) << again.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
}

TEST(Undo, LeavesAnEditedCopyAndTrashesACopyWhoseSourceIsGone) {
  tt::TempTree tree({"dst/"});
  for (int k = 1; k <= 3; ++k)
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(2000 + k, k));
  tree.write("dst/trip/trip(2).jpg", "replaced by the run");
  set_old_time(tree.path("dst/trip/trip(2).jpg"));
  const std::string dst = tree.path("dst");
  ASSERT_EQ(run_cli({tree.path("src"), dst}).status, 0);

  // After the run: the user edits a copy and deletes the source of another.
  { std::ofstream(tree.path("dst/trip/trip(2).jpg"), std::ios::app) << "edited"; }
  const std::string only_copy = tt::read_file(tree.path("dst/trip/trip(3).jpg"));
  std::filesystem::remove(tree.path("src/trip/3.jpg"));

  const testing::CliResult undone = run_cli({"--undo", dst});
  EXPECT_EQ(undone.status, 1) << undone.out << undone.err;
  EXPECT_NE(undone.out.find(tree.path("dst/trip/trip(2).jpg") + "：拷贝后有改动，已保留"),
            std::string::npos)
      << undone.out;
  // The replaced file cannot come back over the edit: it stays in the trash,
  // and the message says where.
  EXPECT_NE(undone.out.find("被替换的文件仍在“" + tt::home_trash() + "files/"), std::string::npos)
      << undone.out;
  EXPECT_EQ(
      tt::files_below(dst),
      (tt::TreeFiles{{"trip/trip(2).jpg", tt::read_file(tree.path("dst/trip/trip(2).jpg"))}}));
  EXPECT_NE(tt::read_file(tree.path("dst/trip/trip(2).jpg")).find("edited"), std::string::npos);
  // The copy whose source is gone went to the trash, whole.
  bool in_trash = false;
  for (const auto& [name, bytes] : tt::files_below(tt::home_trash() + "files"))
    in_trash |= bytes == only_copy;
  EXPECT_TRUE(in_trash);
}

// Photos of a burst share size and time.  After the first is deleted, a
// re-run gives the others its numbers, each replacing the copy of the
// photo before it; undo puts those copies back.
TEST(Undo, PutsBackTheCopiesARenumberingReRunReplaced) {
  tt::TempTree tree({"dst/"});
  for (const std::string name : {"a", "b", "c"}) tree.write("src/trip/" + name + ".jpg", name);
  const auto shot = std::filesystem::last_write_time(tree.path("src/trip/a.jpg"));
  std::filesystem::last_write_time(tree.path("src/trip/b.jpg"), shot);
  std::filesystem::last_write_time(tree.path("src/trip/c.jpg"), shot);
  const std::string dst = tree.path("dst");
  ASSERT_EQ(run_cli({tree.path("src"), dst}).status, 0);
  const tt::TreeFiles first = tt::files_below(dst);
  std::filesystem::remove(tree.path("src/trip/a.jpg"));

  const testing::CliResult rerun = run_cli({tree.path("src"), dst});
  ASSERT_EQ(rerun.status, 0) << rerun.out << rerun.err;
  EXPECT_EQ(tt::files_below(dst),
            (tt::TreeFiles{
                {"trip/trip(1).jpg", "b"}, {"trip/trip(2).jpg", "c"}, {"trip/trip(3).jpg", "c"}}));

  const testing::CliResult undone = run_cli({"--undo", dst});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), first), "");
}

TEST(Undo, ReRunsIntoTheSourceNeverGatherTheirOwnCopies) {
  tt::TempTree tree;
  for (int k = 1; k <= 4; ++k)
    tree.write("照片/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(100 + k, k));
  for (int k = 1; k <= 3; ++k)
    tree.write("照片/home/" + std::to_string(k) + ".jpg", tt::random_bytes(200 + k, k));
  const std::string src = tree.path("照片");
  const std::string dst = tree.path("照片/归集");
  ASSERT_EQ(run_cli({src, dst}).status, 0);
  const tt::TreeFiles first = tt::files_below(dst);
  ASSERT_EQ(first.size(), 7u);
  // The plan of a re-run leaves them out as the re-run does.
  const testing::CliResult plan = run_cli({src, dst, "--dry-run"});
  EXPECT_EQ(plan.status, 0);
  EXPECT_NE(plan.out.find("与原有文件相同7条。另有7条是之前拷贝到该目录的文件，"
                          "不再拷贝。未写入任何文件。"),
            std::string::npos)
      << plan.out;
  // An earlier copy is written nowhere: its line names it alone.
  EXPECT_NE(
      plan.out.find("\n" + dst + "/trip/trip(1).jpg 【是之前拷贝到该目录的文件，不再拷贝】\n"),
      std::string::npos)
      << plan.out;
  for (int again = 0; again < 2; ++again) {
    const testing::CliResult rerun = run_cli({src, dst});
    EXPECT_EQ(rerun.status, 0);
    EXPECT_NE(rerun.out.find("其中7条是之前拷贝到该目录的文件，不再拷贝。"), std::string::npos)
        << rerun.out;
    EXPECT_EQ(tt::tree_difference(tt::files_below(dst), first), "");
  }
  // A copy the user edited is the user's file now, and is gathered.
  { std::ofstream(tree.path("照片/归集/home/home(1).jpg"), std::ios::app) << "edited"; }
  const testing::CliResult after_edit = run_cli({src, dst});
  EXPECT_NE(after_edit.out.find("其中6条是之前拷贝到该目录的文件"), std::string::npos)
      << after_edit.out;
}

TEST(Undo, TakesAwayTheDestinationFoldersTheRunMadeButNoneThatHoldTheUsersFiles) {
  tt::TempTree tree({"backup/"});
  for (int k = 1; k <= 3; ++k)
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(300 + k, k));
  // DEST and the folder above it are made by the run.
  const std::string dst = tree.path("backup/2026/归集");
  const testing::CliResult run = run_cli({tree.path("src"), dst});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ASSERT_NE(run.err.find("已新建"), std::string::npos) << run.err;
  ASSERT_EQ(tt::files_below(dst).size(), 3u);

  const testing::CliResult plan = run_cli({"--undo", dst, "--dry-run", "--json"});
  EXPECT_EQ(testing::parse_json_lines(plan.out).back().at("folders_removed").text, "3");
  const testing::CliResult undone = run_cli({"--undo", dst});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_FALSE(std::filesystem::exists(tree.path("backup/2026")));
  EXPECT_TRUE(std::filesystem::is_directory(tree.path("backup")));

  // Made again by a second run, and holding a file of the user's by the
  // undo: that folder stays, with the file, and only the run's folder goes.
  ASSERT_EQ(run_cli({tree.path("src"), dst}).status, 0);
  tree.write("backup/2026/notes.txt", "mine");
  EXPECT_EQ(run_cli({"--undo", dst}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(dst));
  EXPECT_EQ(tt::files_below(tree.path("backup")), (tt::TreeFiles{{"2026/notes.txt", "mine"}}));
}

TEST(Undo, KeepsTheUsersFileThatTheRunFoundIdenticalAndLeftAlone) {
  tt::TempTree tree({"dst/trip/"});
  for (int k = 1; k <= 3; ++k)
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(700 + k, k));
  // The user's own copy of the second photo, at the name the run gives it:
  // same size and time, so the run leaves it as it is.
  tree.write("dst/trip/trip(2).jpg", tree.read("src/trip/2.jpg"));
  std::filesystem::last_write_time(tree.path("dst/trip/trip(2).jpg"),
                                   std::filesystem::last_write_time(tree.path("src/trip/2.jpg")));
  const std::string dst = tree.path("dst");
  const tt::TreeFiles before = tt::files_below(dst);
  const testing::CliResult run = run_cli({tree.path("src"), dst});
  ASSERT_NE(run.out.find("其中1条与原有文件相同，不重新拷贝。"), std::string::npos) << run.out;

  const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_EQ(testing::parse_json_lines(undone.out).back().at("deleted").text, "2");
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst), before), "");
}

TEST(Undo, ReadsDestAsACopyReadsItTrailingSeparatorIncluded) {
  tt::TempTree tree({"src/trip/a.jpg", "dst/"});
  const std::string dst = tree.path("dst");
  ASSERT_EQ(run_cli({tree.path("src"), dst}).status, 0);
  // As shell completion types it: refused with the copy's words, never
  // answered with "no record", and nothing touched.
  const testing::CliResult slash = run_cli({"--undo", dst + "/"});
  const testing::CliResult copy_slash = run_cli({tree.path("src"), dst + "/"});
  EXPECT_EQ(slash.status, 2);
  EXPECT_EQ(slash.err, copy_slash.err);
  EXPECT_EQ(slash.err.find("没有"), std::string::npos) << slash.err;
  EXPECT_EQ(tt::files_below(dst).size(), 1u);
  EXPECT_EQ(run_cli({"--undo", dst}).status, 0);
  EXPECT_EQ(tt::files_below(dst).size(), 0u);
}

TEST(Undo, ForgetsNoDestinationAfterManyRunsElsewhere) {
  tt::TempTree tree;
  for (int k = 1; k <= 9; ++k)
    tree.write("照片/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(300 + k, k));
  const std::string src = tree.path("照片");
  const std::string dst = tree.path("照片/归集");
  ASSERT_EQ(run_cli({src, dst}).status, 0);
  // More runs into other folders than the journal ever kept of all of them.
  tree.write("small/s/1.jpg", "small");
  for (int run = 0; run < 41; ++run) {
    ASSERT_EQ(run_cli({tree.path("small"), tree.path("elsewhere/" + std::to_string(run))}).status,
              0);
  }
  // The re-run still knows its own copies, and leaves them out.
  const testing::CliResult rerun = run_cli({src, dst, "--json"});
  EXPECT_EQ(testing::parse_json_lines(rerun.out).back().at("earlier_copies").text, "9");
  EXPECT_EQ(tt::files_below(dst).size(), 9u);
  // Undo still takes back the first run, and every run elsewhere can be
  // undone as well.
  EXPECT_EQ(run_cli({"--undo", dst}).status, 0);
  EXPECT_EQ(tt::files_below(dst).size(), 0u);
  for (int run = 0; run < 41; ++run) {
    EXPECT_EQ(
        run_cli({"--undo", tree.path("elsewhere/" + std::to_string(run)), "--dry-run"}).status, 0)
        << run;
  }
}

// The newest journal, as a kill right after a batch's naming leaves it: the
// lines before the naming, none after.
void cut_newest_journal_after_naming() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(fsys::journal_folder())) {
    if (entry.path().extension() == ".journal") names.push_back(entry.path().string());
  }
  ASSERT_FALSE(names.empty());
  std::sort(names.begin(), names.end());
  std::istringstream lines(tt::read_file(names.back()));
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("named\t") && line != "ended") kept += line + "\n";
  }
  std::ofstream(names.back(), std::ios::trunc) << kept;
}

TEST(Undo, FindsInTheTrashWhatARunCutShortReplacedButNotWhatTheUserTrashedBefore) {
  tt::TempTree tree({"dst/trip/"});
  for (int k = 1; k <= 2; ++k)
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(900 + k, k));
  tree.write("dst/trip/trip(1).jpg", "the user's own trip(1)");
  set_old_time(tree.path("dst/trip/trip(1).jpg"));
  // A file of the name the run's second copy takes, trashed by the user long
  // before the run: the run replaced nothing there, and it stays.
  const std::string trash = tt::home_trash();
  std::filesystem::create_directories(trash + "files");
  std::filesystem::create_directories(trash + "info");
  std::ofstream(trash + "files/trip(2).jpg") << "trashed in 2020";
  std::ofstream(trash + "info/trip(2).jpg.trashinfo")
      << "[Trash Info]\nPath=" << fsys::posix::percent_encoded(tree.path("dst/trip/trip(2).jpg"))
      << "\nDeletionDate=2020-01-01T00:00:00\n";
  const tt::TreeFiles trash_before = tt::files_below(trash);
  const std::string dst = tree.path("dst");

  ASSERT_EQ(run_cli({tree.path("src"), dst}).status, 0);
  cut_newest_journal_after_naming();
  const testing::CliResult undone = run_cli({"--undo", dst, "--json"});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_EQ(testing::parse_json_lines(undone.out).back().at("put_back").text, "1");
  EXPECT_EQ(tt::files_below(dst), (tt::TreeFiles{{"trip/trip(1).jpg", "the user's own trip(1)"}}));
  EXPECT_EQ(tt::tree_difference(tt::files_below(trash), trash_before), "");
}

TEST(Undo, TakesBackARunKilledMidway) {
  tt::TempTree tree({"dst/"});
  for (int f = 0; f < 3; ++f) {
    for (int k = 0; k < 15; ++k) {
      tree.write("src/t" + std::to_string(f) + "/" + std::to_string(k) + ".jpg",
                 tt::random_bytes(2 << 20, f * 100 + k));
    }
  }
  const std::string dst = tree.path("dst");
  // Named copies: a kill after them leaves the run half done.
  const auto named_copies = [&] {
    std::size_t named = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dst, error)) {
      if (entry.is_regular_file(error) && !entry.path().filename().string().starts_with("."))
        ++named;
    }
    return named;
  };
  bool killed_mid_run = false;
  std::size_t named_at_kill = 0;
  for (const int wait_ms : {20, 5, 0, 0, 0}) {
    std::filesystem::remove_all(dst);
    std::filesystem::create_directory(dst);
    testing::CliProcess first({tree.path("src"), dst}, tree.path("out.txt"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (named_copies() == 0 && first.running() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    first.kill();
    killed_mid_run = WIFSIGNALED(first.wait());
    named_at_kill = named_copies();
    if (killed_mid_run && named_at_kill > 0 && named_at_kill < 45) break;
  }
  // A batch is named at once: on a fast machine the kill may come after the
  // last name, which still leaves the run unfinished (no closing flush, no
  // end in its journal).
  ASSERT_TRUE(killed_mid_run && named_at_kill > 0)
      << "no kill landed between the first copy and the run's end";
  std::cout << "[ figures ] killed with " << named_at_kill << " of 45 copies in DEST\n";

  const testing::CliResult undone = run_cli({"--undo", dst});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  // Every name the run gave is gone, and so is every folder it made.
  EXPECT_EQ(tt::files_below(dst), tt::TreeFiles{});
  EXPECT_TRUE(std::filesystem::is_empty(dst));
}

}  // namespace
}  // namespace tolvane::cli
