// The copy threads on a volume where each step is a round trip (a camera's
// card through exfat-fuse, as a NAS share through sshfs): there they keep
// more copies in flight and name each batch in several slices at once.  The
// promise stays: at the instant any copy is about to take its name, the
// disk (the image, as a power cut would leave it) already holds the data of
// every copy of its batch, and no name on it shows anything but a whole copy.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "copy/copy_job.h"
#include "copy/copy_workers.h"
#include "fsys/file_system.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace tt = ::tolvane::testing;

// What the disk held the moment a slice of copies was about to be named.
struct Pulled {
  std::string image;
  std::vector<std::string> targets;
};

class RoundTripVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    if (card.unavailable()) GTEST_SKIP() << card.reason();
    ASSERT_TRUE(card.ready()) << card.reason();
  }

  // Hands every job to the copy threads, as a run of `threads` starts, and
  // takes every result back.
  std::vector<CopyResult> copy_all(fsys::FileSystem& file_system, std::vector<CopyJob> jobs,
                                   std::size_t threads) {
    std::vector<CopyResult> results;
    const std::size_t count = jobs.size();
    CopyWorkers workers(file_system, threads, threads * jobs_per_worker);
    workers.hand_out(jobs);
    workers.last_job_handed_out();
    while (results.size() < count) {
      workers.take_results(results, std::chrono::milliseconds(100), false);
    }
    return results;
  }

  tt::LoopVolume card{tt::VolumeKind::exfat, 64};
  tt::TempTree source;
};

TEST_F(RoundTripVolume, EveryCopyOfABatchIsOnTheDiskBeforeAnyTakesItsName) {
  // Two folders on the card, four photos each, every one of other bytes.
  std::unique_ptr<fsys::FileSystem> native = fsys::make_native_file_system();
  std::map<std::string, std::string> bytes_of;  // target -> its source's bytes
  std::vector<CopyJob> jobs;
  for (const std::string tag : {"trip", "家人"}) {
    ASSERT_FALSE(native->make_folder(card.path(tag) + "/"));
    for (int k = 1; k <= 4; ++k) {
      const std::string name = tag + "/IMG_" + std::to_string(k) + ".jpg";
      const std::string bytes = tt::random_bytes(20'000 + 7'000 * jobs.size(), 40 + jobs.size());
      source.write(name, bytes);
      const std::string target = card.path(tag + "/" + tag + "(" + std::to_string(k) + ").jpg");
      bytes_of[target] = bytes;
      jobs.push_back({jobs.size(), source.path(name), target, false, {}, {}});
    }
  }

  // Each naming stops until the card's image is copied: what a power cut
  // at that instant leaves.  One at a time, so that the others wait unnamed.
  tt::FaultyFileSystem stopping(*native);
  std::mutex pulling;
  std::vector<Pulled> pulled;
  stopping.before_naming = [&](const std::vector<std::string>& targets) {
    const std::lock_guard lock(pulling);
    Pulled now{source.path("pulled" + std::to_string(pulled.size()) + ".img"), targets};
    ASSERT_TRUE(card.copy_image(now.image)) << card.reason();
    pulled.push_back(std::move(now));
  };
  const std::vector<CopyResult> results = copy_all(stopping, jobs, 4);
  ASSERT_FALSE(stopping.flush());

  for (const CopyResult& result : results) {
    EXPECT_FALSE(result.error) << result.job.target << ": " << result.error.message();
    EXPECT_EQ(result.outcome, fsys::CopyOutcome::copied) << result.job.target;
  }
  tt::TreeFiles expected;
  for (const auto& [target, bytes] : bytes_of)
    expected[target.substr(card.path("").size() + 1)] = bytes;
  EXPECT_EQ(tt::tree_difference(tt::files_below(card.path()), expected), "");

  ASSERT_FALSE(pulled.empty());
  std::set<std::string> named_after_a_pull;
  for (const Pulled& pull : pulled) {
    tt::LoopVolume disk(tt::VolumeKind::exfat, tt::ImageFile{pull.image});
    ASSERT_TRUE(disk.ready()) << disk.reason();
    const tt::TreeFiles held = tt::files_below(disk.path());
    std::multiset<std::string> contents;
    for (const auto& [relative, bytes] : held) contents.insert(bytes);
    // Every copy about to be named is on the disk already, under its
    // hidden name or (named by a slice before) under its own.
    for (const std::string& target : pull.targets) {
      named_after_a_pull.insert(target);
      EXPECT_TRUE(contents.contains(bytes_of.at(target)))
          << target << " was about to take its name; the disk does not hold its data";
    }
    // A name already on the disk shows its whole copy, never less.
    for (const auto& [relative, bytes] : held) {
      const std::string path = card.path(relative);
      if (bytes_of.contains(path)) {
        EXPECT_TRUE(bytes == bytes_of.at(path)) << relative;
      }
    }
  }
  // Every copy was named after such a look at the disk.
  EXPECT_EQ(named_after_a_pull.size(), jobs.size());
}

}  // namespace
}  // namespace tolvane::copy
