// A power cut in the middle of a run, imitated on a journaled ext4 image on a
// loop device: the program stopped (SIGSTOP, every thread), the journal's
// commit let pass, the image's bytes copied once the device stands still,
// and the copy mounted, which replays the journal as the next boot would.
// Whatever the moment, no target name may hold anything but a whole copy,
// and a run on the cut disk must finish the gather without calling the
// program's own unfinished work a replacement.
//
// The volume is mounted with commit=1, so that the wait for the journal's
// commit after a stop is two seconds rather than the default five's ten;
// and with noauto_da_alloc: by default ext4 writes a file's data before a
// rename over another file commits, which would hide a program that names
// its copies before their data is safe, and other file systems do no such
// thing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/cli/volume_run.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using testing::VolumeRun;

constexpr int per_folder = 100;
constexpr char mount_options[] = "commit=1,noauto_da_alloc";
// The journal's commit timer is rounded up to a whole second: a transaction
// begun just before the stop commits up to two intervals later.
constexpr auto commit_wait = std::chrono::milliseconds(2 * 1000 + 200);

// 1 to 8 KiB of random bytes.
std::string small_photo(std::uint64_t seed) {
  return tt::random_bytes(1024 + (seed * 7919) % 7169, seed);
}

// How the names on a cut disk stand against what the run was writing.
struct NameStates {
  std::size_t whole = 0;  // the copy this run wrote, all of it
  std::size_t old = 0;    // the content an earlier run left there
  std::size_t empty = 0;
  std::size_t torn = 0;  // other bytes
  std::size_t absent = 0;
  std::size_t old_lost = 0;  // old content neither at its name nor in the trash
};

// The image of the disk at one cut, and the names DEST had then.
struct Cut {
  int number = 0;
  std::string image;
  std::size_t names = 0;
};

// The trash the program uses for the files of a volume that does not hold
// the home folder: $topdir/.Trash-$uid.
std::string trash_files(const tt::LoopVolume& disk) {
  return disk.path(".Trash-" + std::to_string(::getuid()) + "/files");
}

class PowerCut : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLVANE_NEED_VOLUME(disk_);
    ASSERT_TRUE(std::filesystem::create_directory(disk_.path("dst")));
  }

  // `folders` folders of 100 photos each, and where the plan puts them.
  void make_sources(int folders) {
    for (int f = 0; f < folders; ++f) {
      for (int k = 0; k < per_folder; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "src/f%02d/%03d.jpg", f, k);
        work_.write(name, small_photo(f * per_folder + k));
      }
    }
    const VolumeRun plan = testing::run_to_end({src(), disk_.path("dst"), "--dry-run"}, out());
    ASSERT_EQ(plan.entries.size(), static_cast<std::size_t>(folders * per_folder));
    for (const testing::JsonObject& entry : plan.entries) {
      ASSERT_EQ(entry.at("outcome").text, "copied");
      const std::string target = testing::path_bytes(entry, "target");
      const std::string source = testing::path_bytes(entry, "source");
      targets_.emplace_back(target.substr(disk_.path("dst").size() + 1), source);
    }
  }

  std::string src() const { return work_.path("src"); }
  std::string out() const { return work_.path("out"); }
  // Target (below DEST) -> the bytes its source holds now.
  tt::TreeFiles expected() const {
    tt::TreeFiles copies;
    for (const auto& [target, source] : targets_) copies[target] = tt::read_file(source);
    return copies;
  }

  // Starts a run onto the disk and cuts it at each of a quarter, half and
  // three quarters of the files, by `progress()`: stopped, the commit let
  // pass, the image copied, then let go on.  Killed after the last cut, so
  // that no process of its id lives when the cut disks are run on.
  template <typename Progress>
  std::vector<Cut> cut_a_run(Progress progress) {
    testing::CliProcess program({src(), disk_.path("dst"), "--json"}, out());
    EXPECT_TRUE(program.started());
    std::vector<Cut> cuts;
    for (const int quarter : {1, 2, 3}) {
      const std::size_t mark = targets_.size() * quarter / 4;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (program.running() && progress() < mark &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      if (!program.stop()) {
        ADD_FAILURE() << "the run ended before the cut at " << mark << " of " << targets_.size()
                      << ": it needs more files";
        break;
      }
      Cut cut{quarter, work_.path("cut" + std::to_string(quarter) + ".img"),
              testing::visible_files_below(disk_.path("dst"))};
      std::cout << "[ figures  ] cut " << quarter << ": " << progress() << " reached, " << cut.names
                << " names in DEST\n";
      std::this_thread::sleep_for(commit_wait);
      if (!disk_.copy_image(cut.image)) {
        ADD_FAILURE() << disk_.reason();
        break;
      }
      cuts.push_back(cut);
      program.resume();
    }
    program.kill();
    program.wait();
    return cuts;
  }

  // The cut disk mounted: the journal replays.  Everything the program had
  // named before the stop must be there, or the cut came before the commit.
  static void on_cut_disk(const Cut& cut, const std::function<void(const tt::LoopVolume&)>& check) {
    std::cout << "[ figures  ] cut " << cut.number << " mounted:\n";
    {
      tt::LoopVolume disk(tt::VolumeKind::ext4, tt::ImageFile{cut.image}, mount_options);
      ASSERT_TRUE(disk.ready()) << disk.reason();
      EXPECT_EQ(testing::visible_files_below(disk.path("dst")), cut.names);
      check(disk);
    }
    ::unlink(cut.image.c_str());
  }

  // The names on `disk` against `copies`; `old` holds what an earlier run
  // left at each name, and the trash the old contents went to is searched.
  NameStates name_states(const tt::LoopVolume& disk, const tt::TreeFiles& copies,
                         const tt::TreeFiles& old = {}) const {
    std::set<std::string> trashed;
    for (auto& [name, bytes] : tt::files_below(trash_files(disk))) trashed.insert(bytes);
    NameStates states;
    for (const auto& [target, bytes] : copies) {
      const std::string path = disk.path("dst/" + target);
      struct stat info;
      const bool there = ::lstat(path.c_str(), &info) == 0;
      const std::string held = there ? tt::read_file(path) : "";
      const auto earlier = old.find(target);
      const bool had_old = earlier != old.end();
      if (!there) {
        ++states.absent;
      } else if (held == bytes) {
        ++states.whole;
      } else if (had_old && held == earlier->second) {
        ++states.old;
      } else if (held.empty()) {
        ++states.empty;
      } else {
        ++states.torn;
      }
      if (had_old && held != earlier->second && !trashed.contains(earlier->second)) {
        ++states.old_lost;
      }
    }
    return states;
  }

  static void print(const std::string& label, const NameStates& states) {
    std::cout << "[ figures  ] " << label << ": " << states.whole << " whole, " << states.old
              << " old, " << states.empty << " empty, " << states.torn << " torn, " << states.absent
              << " without a name, " << states.old_lost << " old contents lost\n";
  }

  // A run on the cut disk to its end: every copy whole and nothing else in
  // DEST, no temporary anywhere, and `replaced` replacements counted.
  void finish_on(const tt::LoopVolume& disk, const tt::TreeFiles& copies,
                 std::size_t replaced) const {
    const VolumeRun rerun = testing::run_to_end({src(), disk.path("dst")}, work_.path("rerun-out"));
    testing::print_closing("re-run on the cut disk", rerun);
    EXPECT_EQ(rerun.exit_status, exit_all_copied);
    EXPECT_EQ(rerun.count("replaced"), replaced);
    const std::string difference = tt::tree_difference(tt::files_below(disk.path("dst")), copies);
    EXPECT_EQ(difference.substr(0, 2000), "");
    EXPECT_EQ(testing::joined(testing::temporaries_below(disk.path())), "");
  }

  tt::LoopVolume disk_{tt::VolumeKind::ext4, 128, mount_options};
  tt::TempTree work_;
  std::vector<std::pair<std::string, std::string>> targets_;  // below DEST, source
};

TEST_F(PowerCut, FirstRunNamesHoldOnlyWholeCopiesAndTheRerunReplacesNothing) {
  make_sources(30);
  const tt::TreeFiles copies = expected();
  const std::vector<Cut> cuts =
      cut_a_run([&] { return testing::visible_files_below(disk_.path("dst")); });
  for (const Cut& cut : cuts) {
    on_cut_disk(cut, [&](const tt::LoopVolume& disk) {
      const NameStates states = name_states(disk, copies);
      print("on the cut disk", states);
      EXPECT_EQ(states.empty, 0u);
      EXPECT_EQ(states.torn, 0u);
      // Nothing was at these names before the run: whatever a re-run finds
      // there is the program's own.
      finish_on(disk, copies, 0);
    });
  }
}

TEST_F(PowerCut, ReplacingRunKeepsEveryOldContentAtItsNameOrInTheTrash) {
  // Fewer files: each replacement costs a flush of its own.
  make_sources(10);
  const VolumeRun first = testing::run_to_end({src(), disk_.path("dst")}, out());
  ASSERT_EQ(first.exit_status, exit_all_copied) << first.message();
  const tt::TreeFiles old = expected();
  // Every source changes: new bytes, and a size of its own where the new
  // size happens to be the old one.
  for (std::size_t k = 0; k < targets_.size(); ++k) {
    std::string bytes = small_photo(1'000'000 + k);
    if (bytes.size() == tt::read_file(targets_[k].second).size()) bytes += 'x';
    work_.write(targets_[k].second.substr(work_.root().size()), bytes);
  }
  const tt::TreeFiles copies = expected();
  const std::vector<Cut> cuts =
      cut_a_run([&] { return testing::visible_files_below(trash_files(disk_)); });
  for (const Cut& cut : cuts) {
    on_cut_disk(cut, [&](const tt::LoopVolume& disk) {
      const NameStates states = name_states(disk, copies, old);
      print("on the cut disk", states);
      EXPECT_EQ(states.empty, 0u);
      EXPECT_EQ(states.torn, 0u);
      EXPECT_EQ(states.old_lost, 0u);
      // The names that still hold the first run's copies are replaced now,
      // and only they; every old content ends in the trash.
      finish_on(disk, copies, states.old);
      std::set<std::string> trashed;
      for (auto& [name, bytes] : tt::files_below(trash_files(disk))) {
        trashed.insert(bytes);
      }
      std::size_t kept = 0;
      for (const auto& [target, bytes] : old) kept += trashed.contains(bytes);
      EXPECT_EQ(kept, old.size());
    });
  }
}

// A cut while a batch takes its names, on a disk that holds the journals
// too: the journal on the cut disk knows every name the run gave, so undo
// from it takes them all back and puts back what they replaced, even where
// the run's word that a copy had its name never reached the disk.
TEST_F(PowerCut, UndoFromTheCutDisksJournalLeavesDestAsBeforeTheRun) {
  make_sources(30);
  // Older photos of the user's at the names of the first folder's copies.
  for (std::size_t k = 0; k < per_folder; ++k) {
    const std::string path = disk_.path("dst/" + targets_[k].first);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "the user's older photo " << k;
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  }
  const tt::TreeFiles before = tt::files_below(disk_.path("dst"));
  const std::string saved_state = std::getenv("XDG_STATE_HOME");
  ::setenv("XDG_STATE_HOME", disk_.path("state").c_str(), 1);
  const std::vector<Cut> cuts =
      cut_a_run([&] { return testing::visible_files_below(disk_.path("dst")); });
  // Each cut disk where the disk was, so that the journal's paths name it.
  const std::string mount_point = disk_.path();
  ASSERT_TRUE(disk_.unmount()) << disk_.reason();
  for (const Cut& cut : cuts) {
    std::cout << "[ figures  ] cut " << cut.number << " mounted, undone:\n";
    {
      tt::LoopVolume disk(tt::VolumeKind::ext4, tt::ImageFile{cut.image, mount_point},
                          mount_options);
      ASSERT_TRUE(disk.ready()) << disk.reason();
      const testing::CliResult undone = testing::run_cli({"--undo", disk.path("dst")});
      std::cout << "[ closing  ]   " << undone.out.substr(0, undone.out.find('\n')) << "\n";
      EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
      EXPECT_EQ(tt::tree_difference(tt::files_below(disk.path("dst")), before).substr(0, 2000), "");
      EXPECT_EQ(testing::joined(testing::temporaries_below(disk.path())), "");
      const std::string trash = disk.path(".Trash-" + std::to_string(::getuid()));
      EXPECT_EQ(tt::files_below(trash), tt::TreeFiles{});
    }
    ::unlink(cut.image.c_str());
  }
  ::setenv("XDG_STATE_HOME", saved_state.c_str(), 1);
}

// The cut right after the run said "已完成": a run of nothing but
// replacements has every new copy at its name and every old content in the
// trash on the disk by then.  The volume commits its journal only when
// told to (commit=60), so whatever the run left unflushed is missing.
TEST(PowerCutAfterDone, EveryReplacementIsOnTheDiskOnceTheRunSaysDone) {
  tt::LoopVolume disk(tt::VolumeKind::ext4, 64, "commit=60,noauto_da_alloc");
  TOLVANE_NEED_VOLUME(disk);
  tt::TempTree work;
  constexpr std::size_t photos = 40;
  const auto source = [&](std::size_t k) { return "src/trip/" + std::to_string(100 + k) + ".jpg"; };
  for (std::size_t k = 0; k < photos; ++k) work.write(source(k), small_photo(k));
  ASSERT_TRUE(std::filesystem::create_directory(disk.path("dst")));
  const std::vector<std::string> arguments = {work.path("src"), disk.path("dst")};
  const VolumeRun first = testing::run_to_end(arguments, work.path("first"));
  ASSERT_EQ(first.exit_status, exit_all_copied) << first.message();

  tt::TreeFiles copies;
  tt::TreeFiles old;
  for (std::size_t k = 0; k < photos; ++k) {
    const std::string target = "trip/trip(" + std::to_string(k + 1) + ").jpg";
    old[target] = work.read(source(k));
    work.write(source(k), small_photo(1'000 + k) + "new");
    copies[target] = work.read(source(k));
  }
  const VolumeRun second = testing::run_to_end(arguments, work.path("second"));
  ASSERT_EQ(second.exit_status, exit_all_copied) << second.message();
  EXPECT_EQ(second.count("replaced"), photos);

  const std::string image = work.path("done.img");
  ASSERT_TRUE(disk.copy_image(image)) << disk.reason();
  tt::LoopVolume cut(tt::VolumeKind::ext4, tt::ImageFile{image});
  ASSERT_TRUE(cut.ready()) << cut.reason();
  EXPECT_EQ(tt::tree_difference(tt::files_below(cut.path("dst")), copies), "");
  std::set<std::string> trashed;
  for (auto& [name, bytes] : tt::files_below(trash_files(cut))) trashed.insert(bytes);
  std::size_t kept = 0;
  for (const auto& [target, bytes] : old) kept += trashed.contains(bytes);
  EXPECT_EQ(kept, photos);
}

}  // namespace
}  // namespace tolvane::cli
