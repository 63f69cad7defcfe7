// The copy pipeline run by threads: a bounded queue of jobs that copy
// threads stage, a batch that one thread flushes and another then names,
// so that the next batch is flushed while this one is named.  The run's
// thread decides every target in entry order and hands the copies out
// here; they finish in any order and come back as results tagged with
// their entry.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "copy/copy_job.h"
#include "copy/copy_pipeline.h"
#include "copy/staged_batch.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

// A copy thread asleep for want of work is woken once this many jobs wait;
// the run's thread hands out planned jobs this many at a time.
inline constexpr std::size_t jobs_per_wake = 32;

// A copy thread takes up to this many jobs under one lock while its copies
// are quick, and hands their results on together: a re-run that finds its
// copies in place spends a few microseconds per job, less than a lock
// passed between five threads costs.
inline constexpr std::size_t jobs_per_take = 16;
// A copy quicker than this counts as quick: a small file, or a target found
// in place.
inline constexpr std::chrono::microseconds quick_copy{1000};

// Jobs waiting per copy thread: enough that the run's thread, woken once
// half of them are taken, refills the queue in one go rather than a job or
// two per wake-up (which on small files cost more switching between
// threads than copying), few enough that memory stays flat.
inline constexpr std::size_t jobs_per_worker = 64;

// Where each step of a copy is a round trip to a server (a network share, a
// FUSE volume), a copy spends its time waiting on the server, not on the
// machine: once a copy of the run meets such a volume, this many copy
// threads keep as many copies in flight, and each batch of them is named
// in as many slices at once.
inline constexpr std::size_t round_trip_copiers = 16;
inline constexpr std::size_t round_trip_naming_lanes = 16;

class CopyWorkers final : public CopyPipeline {
 public:
  // Starts `threads` threads (at least one) copying through `file_system`,
  // which must allow calls from several threads at once, and
  // round_trip_copiers of them once a copy meets a volume of round trips.
  // At most `queue_limit` jobs (as many more per thread added) wait beside
  // those being copied, so a run of a million entries holds a few dozen
  // paths here, not a million.
  // `recorder` (may be null) learns of each batch before it is named.
  CopyWorkers(fsys::FileSystem& file_system, std::size_t threads, std::size_t queue_limit,
              RunRecorder* recorder = nullptr);
  // Lets every job handed out finish and be named, then joins the threads.
  ~CopyWorkers();
  CopyWorkers(const CopyWorkers&) = delete;
  CopyWorkers& operator=(const CopyWorkers&) = delete;

  bool has_room_for(std::size_t count) override;
  void hand_out(std::vector<CopyJob>& jobs) override;
  void last_job_handed_out() override;
  std::size_t outstanding() override;
  void take_results(std::vector<CopyResult>& results, std::chrono::milliseconds patience,
                    bool or_room) override;
  void stop() override;

 private:
  // A job a copy thread has done, held until it hands its run of jobs on.
  struct Done {
    CopyJob job;
    fsys::CopyStart start;
  };

  void work();
  // Under the lock: the copies go to or from a volume of round trips, where
  // more of them in flight wait on the server together.
  void deepen();
  // Under the lock: hands on what a copy thread has done: staged copies to
  // the batch, the rest as results.  Says whom that wakes.
  void hand_on(std::vector<Done>& done, bool& wake_run, bool& wake_flusher, bool& wake_copier);
  void flush_batches();
  void name_batches();
  bool has_half_room() const {
    return queue_.size() <= queue_limit_ / 2 && batch_.size() < batch_limit_;
  }
  bool idle() const;
  // Under the lock: a copy thread takes a job only while the batch, with
  // the copies under way that will join it, has room for one more copy per
  // thread, so that the jobs held meanwhile do not stage past the copies
  // allowed unnamed.
  bool has_job_to_take() const {
    return !queue_.empty() && batch_.size() + copying_ < batch_limit_ + copiers_ - 1;
  }
  // Under the lock: moves the next queued jobs into `jobs`, at most `most`
  // and never more than this thread's share of the queue; true when the
  // run's thread, waiting for room, now has it.
  bool take_jobs(std::vector<CopyJob>& jobs, std::size_t most);
  bool batch_due(std::chrono::steady_clock::time_point now) const;

  enum class RunWaits { no, for_room, for_results };

  fsys::FileSystem& file_system_;
  RunRecorder* recorder_;
  std::size_t queue_limit_;
  std::size_t batch_limit_;  // batch_limit, or less where the file system allows less
  std::mutex mutex_;
  std::condition_variable job_waiting_;  // to the workers
  std::condition_variable run_woken_;    // to the run: a result, or room
  std::deque<CopyJob> queue_;
  std::vector<CopyResult> finished_;
  StagedBatch batch_;  // staged, waiting for the flushing thread
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
  std::optional<StagedBatch> flushed_;
  // A named batch's emptied vectors, kept for the next one: a batch of
  // thousands of jobs would otherwise take fresh pages from the system
  // each time.
  StagedBatch spare_;
  std::condition_variable flushed_changed_;  // to both: a batch flushed, or taken
  bool flusher_done_ = false;
  std::size_t copiers_;              // copy threads
  bool deep_ = false;                // deepened for a volume of round trips
  std::size_t copying_ = 0;          // jobs a copy thread has taken and not yet staged or finished
  std::size_t threads_waiting_ = 0;  // copy threads asleep for want of a job
  std::size_t outstanding_ = 0;
  bool closing_ = false;
  // The run stopped: what is staged from now on is dropped, never named.
  bool stopping_ = false;
  bool copiers_done_ = false;
  bool last_handed_out_ = false;
  bool batch_named_ = false;  // results of a named batch the run has not taken yet
  RunWaits run_waits_ = RunWaits::no;
  std::vector<std::thread> threads_;
  std::thread flusher_;
  std::thread namer_;
};

}  // namespace tolvane::copy
