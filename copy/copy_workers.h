// The threads that copy the data for a copy run.  The run's thread decides
// every target in entry order and hands the copies out here; they finish in
// any order and come back as results tagged with their entry.  Copies that
// the file system stages wait in a batch, which one thread makes durable
// and another then names as a whole: no name shows data that is not on the
// device, at the cost of one flush per batch, and the next batch is
// flushed while this one is named.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::copy {

// How an entry's target name was made, so that it can take the next one;
// its tag is the entry's own, found again by its index.
struct TargetParts {
  std::string extension;  // as read for the entry (short: no allocation)
  std::size_t number = 0;
  bool keep_name = false;
  bool flat = false;
};

struct CopyJob {
  std::size_t index = 0;
  std::string source;
  std::string target;
  bool renumbered = false;  // the first name was taken, the target took the next free one
  TargetParts parts;
};

struct CopyResult {
  CopyJob job;
  std::error_code error;
  fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
};

// How many threads a copy run uses on this machine.
std::size_t default_copy_workers();

// A batch of staged copies is named once it holds this many (or fewer, as
// the file system's staged_copies_allowed() says), or once its first copy
// has waited this long, or once nothing has been copied for lull_age, or at
// once after the run's last copy.  Each batch costs a flush of the volume,
// a journal commit and the device's cache flush, whatever its size: at
// 1024 small files a batch, a run of 50,000 paid for about 50 of them.
inline constexpr std::size_t batch_limit = 8192;
inline constexpr std::chrono::milliseconds batch_age{1000};
inline constexpr std::chrono::milliseconds lull_age{50};

// A copy thread asleep for want of work is woken once this many jobs wait;
// the run's thread hands out planned jobs this many at a time.
inline constexpr std::size_t jobs_per_wake = 8;

// Jobs waiting per copy thread: enough that the run's thread, woken once
// half of them are taken, refills the queue in one go rather than a job or
// two per wake-up (which on small files cost more switching between
// threads than copying), few enough that memory stays flat.
inline constexpr std::size_t jobs_per_worker = 16;

class CopyWorkers {
 public:
  // Starts `threads` threads (at least one) copying through `file_system`,
  // which must allow calls from several threads at once.  At most
  // `queue_limit` jobs wait beside those being copied, so a run of a million
  // entries holds a few dozen paths here, not a million.
  CopyWorkers(fsys::FileSystem& file_system, std::size_t threads, std::size_t queue_limit);
  // Lets every job handed out finish and be named, then joins the threads.
  ~CopyWorkers();
  CopyWorkers(const CopyWorkers&) = delete;
  CopyWorkers& operator=(const CopyWorkers&) = delete;

  // True when `count` more jobs can be handed out without waiting.
  bool has_room_for(std::size_t count);
  // Queues `job`; only when has_room_for(1) said so, or for a job handed
  // back with a new name.
  void hand_out(CopyJob job);
  // Queues every job of `jobs`, in order, and empties it; only when
  // has_room_for(jobs.size()) said so.
  void hand_out(std::vector<CopyJob>& jobs);
  // Says that only jobs handed back with a new name will follow, so that
  // the last batch is named as soon as its copies are written.
  void last_job_handed_out();
  // Jobs handed out whose result has not been taken yet.
  std::size_t outstanding();
  // Appends the results finished so far to `results`.  When there are none
  // yet, waits up to `patience` for one, or with `or_room` also for a free
  // place in the queue.
  void take_results(std::vector<CopyResult>& results, std::chrono::milliseconds patience,
                    bool or_room);

 private:
  void work();
  void flush_batches();
  void name_batches();
  bool has_half_room() const {
    return queue_.size() <= queue_limit_ / 2 && batch_.size() < batch_limit_;
  }
  bool idle() const;
  // Under the lock: a copy thread takes a job only while the batch has
  // room, so that the jobs queued meanwhile do not stage past the copies
  // allowed unnamed.
  bool has_job_to_take() const { return !queue_.empty() && batch_.size() < batch_limit_; }
  // Under the lock: moves the next queued job into `job`; true when the
  // run's thread, waiting for room, now has it.
  bool take_job(CopyJob& job);
  bool batch_due(std::chrono::steady_clock::time_point now) const;

  struct Staged {
    CopyJob job;
    std::unique_ptr<fsys::StagedCopy> copy;
  };
  // A batch taken for its flush, then for its names.
  struct Batch {
    std::vector<CopyJob> jobs;
    std::vector<fsys::CopyNaming> namings;
  };

  enum class RunWaits { no, for_room, for_results };

  fsys::FileSystem& file_system_;
  const std::size_t queue_limit_;
  const std::size_t batch_limit_;  // batch_limit, or less where the file system allows less
  std::mutex mutex_;
  std::condition_variable job_waiting_;  // to the workers
  std::condition_variable run_woken_;    // to the run: a result, or room
  std::deque<CopyJob> queue_;
  std::vector<CopyResult> finished_;
  std::vector<Staged> batch_;  // staged, waiting for the flushing thread
  std::chrono::steady_clock::time_point batch_opened_;
  // When the last copy under way finished with no job waiting: a lull is
  // timed from there, not from the batch's first copy, so that a copy
  // thread idle for an instant (its next job not yet planned, or the run's
  // thread not yet scheduled) does not cost a batch of its own.
  std::chrono::steady_clock::time_point idle_since_;
  std::condition_variable batch_waiting_;  // to the flushing thread
  // A flushed batch waiting for the naming thread; the flushing thread
  // takes no further batch while one waits here, so at most three batches
  // hold descriptors: one named, one flushed, one staged.
  std::optional<Batch> flushed_;
  // A named batch's emptied vectors, kept for the next one: a batch of
  // thousands of jobs would otherwise take fresh pages from the system
  // each time.
  Batch spare_;
  std::condition_variable flushed_changed_;  // to both: a batch flushed, or taken
  bool flusher_done_ = false;
  std::size_t copying_ = 0;          // jobs a copy thread has taken and not yet staged or finished
  std::size_t threads_waiting_ = 0;  // copy threads asleep for want of a job
  std::size_t outstanding_ = 0;
  bool closing_ = false;
  bool copiers_done_ = false;
  bool last_handed_out_ = false;
  RunWaits run_waits_ = RunWaits::no;
  std::vector<std::thread> threads_;
  std::thread flusher_;
  std::thread namer_;
};

}  // namespace tolvane::copy
