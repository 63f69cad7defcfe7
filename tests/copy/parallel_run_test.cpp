// The copy run with a pool of threads beside the same run on one thread:
// failures struck in several threads at once are reported exactly as the
// serial run reports them, the flush waits for every copy, and the run
// never names more than a bounded number of entries ahead of the copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "copy/copy_run.h"
#include "copy/copy_workers.h"
#include "fsys/file_system.h"
#include "tests/copy/fakes.h"
#include "tests/copy/worker_counts.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/no_disk_file_system.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::copy {
namespace {

namespace fs = std::filesystem;
namespace tt = ::tolvane::testing;

std::string described(const CopyFailure& failure) {
  return std::to_string(failure.index) + " " + failure.source + " -> " + failure.target + " op " +
         std::to_string(static_cast<int>(failure.operation)) + ": " + failure.error.message();
}

// What a user and the disk see of one run.
struct Seen {
  CopyReport report;
  std::vector<std::string> failures;
  std::vector<std::string> captions;
  std::string message;
  std::vector<std::string> entries_done;  // as the window heard of them
  tt::TreeFiles out;
  tt::FaultyFileSystem::CopiesSeen copies;
};

class PoolAgainstSerial : public ::testing::Test {
 protected:
  PoolAgainstSerial() {
    std::uint64_t seed = 0;
    const auto list = [&](const std::string& folder, const std::string& tag, int files) {
      for (int k = 1; k <= files; ++k) {
        const std::string relative = "photos/" + folder + "/" + std::to_string(k) + ".jpg";
        tree.write(relative, tt::random_bytes(100 + 997 * k, ++seed));
        entries.emplace_back(tree.path(relative), tag);
      }
    };
    list("a", "a", 10);
    list("b", "b", 10);
    list("c", "c", 10);
    list("d", "d", 3);    // a file stands where its folder goes
    list("x/a", "a", 4);  // the tag again: its numbers go on above a(10)
    entries.emplace_back(tree.path("photos/b/1.jpg"), "..");  // a refused name
    list("e", "e", 6);
  }

  Seen run(std::size_t workers) {
    std::error_code ignored;
    fs::remove_all(tree.path("out"), ignored);
    tree.write("out/b/b(2).jpg", "an older b(2)");  // replaced
    tree.write("out/d", "not a folder");
    // An earlier copy of a(3), made as a run makes it, its time kept to the
    // tick: left unchanged.  (MinGW's std::filesystem sets whole seconds
    // only, which the quick check rightly takes for another time when the
    // second is odd.)
    tree.add("out/a/");
    EXPECT_FALSE(fsys::make_native_file_system()->copy_file(tree.path("photos/a/3.jpg"),
                                                            tree.path("out/a/a(3).jpg")));

    std::vector<tt::Fault> faults;
    const auto fail = [&](const std::string& target, std::errc error) {
      faults.push_back({tt::FsOperation::start_copy, 0, std::make_error_code(error),
                        tree.path("out/" + target)});
    };
    fail("a/a(2).jpg", std::errc::io_error);
    fail("a/a(9).jpg", std::errc::no_space_on_device);
    fail("a/a(12).jpg", std::errc::io_error);
    fail("c/c(1).jpg", std::errc::permission_denied);
    fail("c/c(10).jpg", std::errc::read_only_file_system);
    fail("e/e(4).jpg", std::errc::io_error);
    tt::FaultyFileSystem faulty(*real, faults);
    faulty.copy_delay = std::chrono::milliseconds(5);

    // Hears of each finished entry, as the command line prints them.
    struct ReportingWindow : testing::FakeRunDisplay {
      using FakeRunDisplay::FakeRunDisplay;
      void entry_done(const EntryResult& done) override {
        heard.push_back(std::to_string(done.index) + " " + std::string(done.target) +
                        (done.renumbered ? " renumbered" : "") + (done.failure ? " failed" : ""));
      }
      std::vector<std::string> heard;
    };
    testing::Log log;
    ReportingWindow window(log);
    for (const auto& [path, tag] : entries) window.add(path, tag);

    Seen seen;
    seen.report = copy_folder(tree.path("out/"), faulty, window, workers);
    for (const CopyFailure& failure : seen.report.failures) {
      seen.failures.push_back(described(failure));
    }
    seen.captions = window.captions;
    seen.message = window.reports.at(0).first;
    seen.entries_done = window.heard;
    seen.out = tt::files_below(tree.path("out"));
    seen.copies = faulty.copies_seen();
    return seen;
  }

  tt::TempTree tree;
  std::unique_ptr<fsys::FileSystem> real = fsys::make_native_file_system();
  std::vector<std::pair<std::string, std::string>> entries;  // path, tag
};

TEST_F(PoolAgainstSerial, FailuresInSeveralThreadsAreReportedAsTheSerialRunReportsThem) {
  const Seen serial = run(1);
  // 6 copies, the 3 entries of d's folder and the refused name.
  ASSERT_EQ(serial.report.failures.size(), 10u) << serial.message;
  EXPECT_EQ(serial.report.replaced, 1u);
  EXPECT_EQ(serial.report.unchanged, 1u);
  const int copies = static_cast<int>(entries.size()) - 4;

  const Seen pooled = run(testing::pool_of_four);
  EXPECT_EQ(pooled.failures, serial.failures);
  EXPECT_EQ(pooled.report.entries, serial.report.entries);
  EXPECT_EQ(pooled.report.replaced, serial.report.replaced);
  EXPECT_EQ(pooled.report.unchanged, serial.report.unchanged);
  EXPECT_EQ(pooled.message, serial.message);
  EXPECT_EQ(pooled.captions, serial.captions);
  // Every entry heard of once, in list order, however the copies finished.
  ASSERT_EQ(serial.entries_done.size(), entries.size());
  EXPECT_EQ(pooled.entries_done, serial.entries_done);
  EXPECT_EQ(tt::tree_difference(pooled.out, serial.out), "");
  tt::count_compared(pooled.out.size());

  for (const Seen* seen : {&serial, &pooled}) {
    EXPECT_EQ(seen->copies.under_way_at_flush, 0);
    EXPECT_EQ(seen->copies.ended_at_flush, copies);
  }
  EXPECT_EQ(serial.copies.most_at_once, 1);
  EXPECT_GT(pooled.copies.most_at_once, 1) << "the pool never copied two files at once";
}

// Copies that wait until the test lets them finish; no disk.  Every folder is
// missing, and the folders made are counted: the run makes an entry's folder
// as it names the entry.
class GatedCopies final : public tt::NoDiskFileSystem {
 public:
  bool folder_exists(const std::string&) override { return false; }
  std::error_code make_folder(const std::string&) override {
    ++folders_made;
    return {};
  }

  std::error_code copy_whole(const std::string&, const std::string&, fsys::LookAlike,
                             fsys::CopyOutcome& outcome) override {
    outcome = fsys::CopyOutcome::copied;
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
    return {};
  }

  void open() {
    {
      const std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }

  std::atomic<std::size_t> folders_made{0};

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// Each entry in a folder of its own, so that the folders on the disk show how
// far the run has named entries ahead of the copies.
TEST(CopyPool, NamesOnlyAFewEntriesAheadOfTheCopiesAndShowsEveryOneDone) {
  constexpr std::size_t entries = 20'000;
  constexpr std::size_t workers = 2;
  testing::Log log;
  testing::FakeRunDisplay window(log);
  for (std::size_t k = 0; k < entries; ++k) {
    window.add("/p/t/" + std::to_string(k) + ".jpg", "t" + std::to_string(k));
  }
  GatedCopies disk;

  CopyReport report;
  std::thread run([&] { report = copy_folder(testing::native("/out/"), disk, window, workers); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (disk.folders_made == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Time enough to run far ahead, were the queue not bounded.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::size_t ahead = disk.folders_made;
  disk.open();
  run.join();

  // The threads' runs of jobs, the queue and the few planned jobs being
  // handed out.
  EXPECT_LE(ahead, workers * jobs_per_take + jobs_per_worker * workers + jobs_per_wake);
  EXPECT_GT(ahead, workers);
  EXPECT_EQ(report.entries, entries);
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(disk.folders_made, entries);
  ASSERT_EQ(window.captions.size(), entries + 2);  // each entry, the flush, and back
  EXPECT_EQ(window.captions.front(), "进度：0.00%");
  EXPECT_EQ(window.captions[entries - 1], "进度：100.00%");
  EXPECT_EQ(window.captions.back(), "进度：100.00%");
  EXPECT_EQ(window.reports.at(0).first, "已完成20000条。");
}

// Copies that end in list order only, each after every earlier entry's, and
// none before the run has first waited for them, so that jobs stand in line
// when the first are taken.  A copy taken ahead of an earlier entry's waits
// for a copy nobody makes: after five seconds it gives up and says so.
// Every folder is missing; `on_folder` hears of each one made, on the run's
// thread.
class InOrderCopies final : public tt::NoDiskFileSystem {
 public:
  bool folder_exists(const std::string&) override { return false; }
  std::error_code make_folder(const std::string&) override {
    if (on_folder) on_folder();
    return {};
  }
  std::function<void()> on_folder;

  std::error_code copy_whole(const std::string& source, const std::string&, fsys::LookAlike,
                             fsys::CopyOutcome& outcome) override {
    outcome = fsys::CopyOutcome::copied;
    const std::size_t index = std::stoul(source.substr(source.rfind(fsys::separator) + 1));
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(5),
                           [&] { return gave_up || (open_ && ended_ == index); })) {
      gave_up = true;
    }
    ++ended_;
    changed_.notify_all();
    return {};
  }

  void open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  bool gave_up = false;  // read once the run is over

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  std::size_t ended_ = 0;
};

// The window hears of each entry while the run goes on, not at its end, and
// the run holds only the few entries between: each entry in a folder of its
// own, the folders made show how many entries the run has named.
TEST(CopyPool, CopiesAreTakenInListOrderAndHeardOfAsTheRunGoesOn) {
  constexpr std::size_t entries = 4000;
  struct HearingWindow final : testing::FakeRunDisplay {
    HearingWindow(testing::Log& log, InOrderCopies& copies) : FakeRunDisplay(log), disk(copies) {
      disk.on_folder = [this] { unheard.push_back(named++ - heard); };
    }
    void entry_done(const EntryResult&) override { ++heard; }
    void keep_alive() override { disk.open(); }
    InOrderCopies& disk;
    std::size_t named = 0, heard = 0;
    std::vector<std::size_t> unheard;  // as each entry was named
  };
  testing::Log log;
  InOrderCopies disk;
  HearingWindow window(log, disk);
  for (std::size_t k = 0; k < entries; ++k) {
    window.add("/p/t/" + std::to_string(k) + ".jpg", "t" + std::to_string(k));
  }
  const CopyReport report =
      copy_folder(testing::native("/out/"), disk, window, testing::pool_of_four);
  EXPECT_FALSE(disk.gave_up) << "a copy was taken before an earlier entry's";
  EXPECT_EQ(window.heard, entries);
  ASSERT_EQ(window.unheard.size(), entries);
  // The queue, the threads' runs of jobs and the results not yet taken: a
  // few hundred as a rule.  A copy thread the system stops for a while after
  // its copy holds back the entries after it (they are told in list order),
  // so on a loaded machine a moment may hold more; never the run.
  std::vector<std::size_t> unheard = window.unheard;
  std::sort(unheard.begin(), unheard.end());
  EXPECT_LT(unheard[unheard.size() / 2],
            testing::pool_of_four * (jobs_per_worker + jobs_per_take) + jobs_per_wake);
  EXPECT_LT(unheard.back(), entries / 2);
  EXPECT_TRUE(report.failures.empty());
}

// A run's events as a front end hears them, no window: progress counts the
// entries shown finished, and the run is left to wait far longer than a
// window lets it, so that only a finished batch wakes it.
class ShownProgress final : public CopyEvents {
 public:
  void progress(std::size_t index) override {
    const std::lock_guard lock(mutex);
    shown = std::max(shown, index + 1);
    changed.notify_all();
  }
  std::chrono::milliseconds keep_alive_interval() const override {
    return std::chrono::seconds(10);
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t shown = 0;  // entries shown finished
};

// `entries` listed files, `per_folder` to a folder.
scan::FileList listed(std::size_t entries, std::size_t per_folder) {
  scan::FileList files;
  for (std::size_t index = 0; index < entries; ++index) {
    const std::string tag = "t" + std::to_string(index / per_folder);
    files.append("/p/" + tag + "/" + std::to_string(index) + ".jpg", tag);
  }
  return files;
}

// Copies that are staged and wait unnamed for their batch, on a file system
// that lets only `allowed` of them wait at once; no disk.  Each flush holds
// its batch a moment, time for copy threads that ignored the allowance to
// stage past it.  A batch is named only once the run has shown every copy
// named before it finished: a run that waits for a batch's results without
// being woken would hold every later batch back.  With `lulls`, the run's
// thread makes each folder only once the copy threads have staged every
// copy handed out before it: an instant in which they have nothing to do.
// With `slow_naming`, each naming holds its batch a moment too, as naming
// into a folder of a hundred thousand names does.
class BatchedCopies final : public fsys::FileSystem {
  struct Staged final : fsys::StagedCopy {
    bool flushed = false;
  };

 public:
  BatchedCopies(std::size_t allowed, ShownProgress& front_end, std::size_t per_folder, bool lulls,
                bool slow_naming)
      : allowed_(allowed),
        front_end_(front_end),
        per_folder_(per_folder),
        lulls_(lulls),
        slow_naming_(slow_naming) {}

  fsys::FolderContents read_folder(const std::string&) override { return {}; }
  bool reads_folders_from_any_thread() const override { return false; }
  fsys::CopyStart start_copy(const std::string&, const std::string&, fsys::LookAlike) override {
    const std::lock_guard lock(mutex_);
    most_unnamed = std::max(most_unnamed, ++unnamed_);
    ++started_;
    changed_.notify_all();
    fsys::CopyStart start;
    start.staged = std::make_unique<Staged>();
    return start;
  }
  void flush_staged(std::vector<fsys::CopyNaming>& batch) override {
    ++flushing_;
    if (naming_ > 0) ++flushed_and_named_at_once;
    {
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, std::chrono::milliseconds(20), [&] { return unnamed_ > allowed_; });
    }
    for (fsys::CopyNaming& naming : batch) static_cast<Staged&>(*naming.staged).flushed = true;
    --flushing_;
  }
  void name_copies(std::vector<fsys::CopyNaming>& batch) override {
    ++naming_;
    if (flushing_ > 0) ++flushed_and_named_at_once;
    if (slow_naming_) {
      // Naming into one huge folder lags behind the flushes: time for a
      // flushing thread that does not wait for it to take one more batch.
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, std::chrono::milliseconds(20), [&] { return unnamed_ > allowed_; });
    }
    {
      std::unique_lock lock(front_end_.mutex);
      if (!front_end_.changed.wait_for(lock, std::chrono::seconds(2),
                                       [&] { return front_end_.shown >= named; })) {
        ++progress_held_back;
      }
    }
    const std::lock_guard lock(mutex_);
    for (fsys::CopyNaming& naming : batch) {
      if (!static_cast<Staged&>(*naming.staged).flushed) ++named_unflushed;
      naming.staged.reset();
    }
    unnamed_ -= batch.size();
    named += batch.size();
    ++batches;
    --naming_;
  }
  std::size_t staged_copies_allowed() const override { return allowed_; }
  bool folds_letter_case(const std::string&) override { return false; }
  void set_destination_root(const std::string&, std::string_view) override {}
  std::error_code move_to_trash(const std::string&) override { return {}; }
  std::error_code flush() override { return {}; }
  std::error_code make_folder(const std::string&) override {
    if (lulls_) {
      std::unique_lock lock(mutex_);
      const std::size_t handed_out = folders_++ * per_folder_;
      changed_.wait_for(lock, std::chrono::seconds(5), [&] { return started_ >= handed_out; });
    }
    return {};
  }
  bool folder_exists(const std::string&) override { return false; }

  // Read once the run is over.
  std::size_t most_unnamed = 0, named = 0, batches = 0, named_unflushed = 0;
  std::size_t progress_held_back = 0;  // batches whose naming waited in vain for progress
  std::atomic<std::size_t> flushed_and_named_at_once{0};

 private:
  const std::size_t allowed_;
  ShownProgress& front_end_;
  const std::size_t per_folder_;
  const bool lulls_;
  const bool slow_naming_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t unnamed_ = 0, started_ = 0, folders_ = 0;
  std::atomic<int> flushing_{0};
  std::atomic<int> naming_{0};
};

// Batches stay within what the file system lets wait unnamed, however many
// copies the threads could stage meanwhile and however far the naming lags
// behind the flushes; no copy is named before its
// batch is flushed, and the next batch is flushed while one is named; the
// run shows each batch finished as soon as it is named; and the instants
// the copy threads idle while the run's thread makes a folder (200 of them
// here) do not each cost a batch, a flush of the volume.
TEST(CopyPool, BatchesStayWithinTheUnnamedCopiesAllowedAndOutlastShortLulls) {
  struct Case {
    std::size_t allowed;
    std::size_t entries;
    bool lulls;
    bool slow_naming;
    std::size_t at_most_batches;
  };
  // A multiple of the jobs handed out at once: a folder is made when every
  // copy before it has been handed out.
  constexpr std::size_t per_folder = 3 * jobs_per_wake;
  for (const Case& row : {Case{40, 480, false, false, 480}, Case{40, 480, false, true, 480},
                          Case{100'000, 4800, true, false, 8}}) {
    SCOPED_TRACE("allowed " + std::to_string(row.allowed) +
                 (row.slow_naming ? ", slow naming" : ""));
    ShownProgress front_end;
    BatchedCopies disk(row.allowed, front_end, per_folder, row.lulls, row.slow_naming);
    const scan::FileList files = listed(row.entries, per_folder);
    const CopyReport report = copy_entries({.entries = files,
                                            .destination = testing::native("/out/"),
                                            .extension = ".jpg",
                                            .flat = false,
                                            .set_aside_folder_name = "kept",
                                            .workers = testing::pool_of_four},
                                           disk, front_end);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(disk.named, row.entries);
    EXPECT_EQ(front_end.shown, row.entries);
    EXPECT_LE(disk.most_unnamed, row.allowed);
    EXPECT_LE(disk.batches, row.at_most_batches);
    EXPECT_GT(disk.most_unnamed, 1U) << "the copies were never batched";
    EXPECT_EQ(disk.named_unflushed, 0U);
    EXPECT_EQ(disk.progress_held_back, 0U) << "a named batch did not wake the run";
    // Where naming takes time, as it does on a disk, the next batch is
    // flushed meanwhile; an instant naming leaves nothing to overlap.
    if (row.slow_naming && disk.batches > 20) {
      EXPECT_GT(disk.flushed_and_named_at_once, 0U)
          << "every flush waited for the naming before it";
    }
  }
}

}  // namespace
}  // namespace tolvane::copy
