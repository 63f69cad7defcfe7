// The job queue and the copy threads that stage its jobs: a bounded queue
// of jobs in, a list of results out, both under one lock that is held only
// to move a job or a result, never while a file is copied.  The threads
// that flush and name the staged batches are in batch_threads.cpp.
#include "copy/copy_workers.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

namespace tolvane::copy {

CopyWorkers::CopyWorkers(fsys::FileSystem& file_system, std::size_t threads,
                         std::size_t queue_limit, RunRecorder* recorder)
    : file_system_(file_system),
      recorder_(recorder),
      queue_limit_(std::max<std::size_t>(queue_limit, 1)),
      batch_limit_(batch_limit_within(file_system.staged_copies_allowed(),
                                      std::max<std::size_t>(threads, 1))) {
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) threads_.emplace_back([this] { work(); });
  flusher_ = std::thread([this] { flush_batches(); });
  namer_ = std::thread([this] { name_batches(); });
}

CopyWorkers::~CopyWorkers() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  job_waiting_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  // The copy threads are gone: what they staged is named now.
  {
    const std::lock_guard lock(mutex_);
    copiers_done_ = true;
  }
  batch_waiting_.notify_all();
  flusher_.join();
  namer_.join();
}

bool CopyWorkers::has_room_for(std::size_t count) {
  const std::lock_guard lock(mutex_);
  // More than the queue holds goes out only into an empty queue.
  return (queue_.empty() || queue_.size() + count <= queue_limit_) && batch_.size() < batch_limit_;
}

void CopyWorkers::hand_out(std::vector<CopyJob>& jobs) {
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    for (CopyJob& job : jobs) queue_.push_back(std::move(job));
    outstanding_ += jobs.size();
    // A sleeping copy thread is woken once a few jobs wait for it, so that
    // it copies several files per wake-up: when the run's thread plans
    // about as fast as the threads copy, a wake-up per job cost more than
    // the waiting saves.  Jobs handed out after the last one are retries,
    // which nothing else would follow.
    wake = threads_waiting_ > 0 && (queue_.size() >= jobs_per_wake || last_handed_out_);
  }
  jobs.clear();
  if (wake) job_waiting_.notify_one();
}

std::size_t CopyWorkers::outstanding() {
  const std::lock_guard lock(mutex_);
  return outstanding_;
}

void CopyWorkers::take_results(std::vector<CopyResult>& results, std::chrono::milliseconds patience,
                               bool or_room) {
  std::unique_lock lock(mutex_);
  if (finished_.empty() && patience.count() > 0) {
    // Waiting for room, the run is woken only once the queue is half empty,
    // and then refills it: one wake-up per few jobs instead of one per job.
    run_waits_ = or_room ? RunWaits::for_room : RunWaits::for_results;
    // A named batch ends any wait: the run shows it finished at once, so
    // that progress follows each batch rather than the room in the queue.
    run_woken_.wait_for(lock, patience, [this, or_room] {
      return outstanding_ == 0 || batch_named_ || (or_room ? has_half_room() : !finished_.empty());
    });
    run_waits_ = RunWaits::no;
  }
  batch_named_ = false;
  outstanding_ -= finished_.size();
  std::move(finished_.begin(), finished_.end(), std::back_inserter(results));
  finished_.clear();
}

bool CopyWorkers::take_job(CopyJob& job) {
  job = std::move(queue_.front());
  queue_.pop_front();
  ++copying_;
  return run_waits_ == RunWaits::for_room && has_half_room();
}

bool CopyWorkers::idle() const { return queue_.empty() && copying_ == 0; }

void CopyWorkers::last_job_handed_out() {
  {
    const std::lock_guard lock(mutex_);
    last_handed_out_ = true;
  }
  // The jobs still queued are fewer than a wake-up waits for.
  job_waiting_.notify_all();
  batch_waiting_.notify_one();
}

void CopyWorkers::work() {
  CopyJob job;
  fsys::CopyStart start;
  bool copied = false;  // `job` and `start` hold a copy to hand on
  for (;;) {
    bool wake_run = false;
    bool wake_flusher = false;
    bool took = false;
    {
      // One lock hands on the copy just made and takes the next job.
      std::unique_lock lock(mutex_);
      if (copied) {
        --copying_;
        if (idle()) idle_since_ = std::chrono::steady_clock::now();
        if (start.staged) {
          if (batch_.empty()) batch_opened_ = std::chrono::steady_clock::now();
          batch_.add(std::move(job), start);
          // The first copy of a batch starts the flushing thread's clock.
          wake_flusher = batch_.size() == 1 || batch_due(std::chrono::steady_clock::now());
        } else {
          finished_.push_back({std::move(job), start.error, start.outcome,
                               std::move(start.identity), std::move(start.kept)});
          // The last result ends any wait; results alone wake a run only
          // when it waits for nothing else.
          wake_run = (run_waits_ == RunWaits::for_results && finished_.size() == 1) ||
                     (run_waits_ != RunWaits::no && outstanding_ == finished_.size());
        }
        // The last copy of a lull starts the shorter wait of a waiting batch.
        if (!batch_.empty() && idle()) wake_flusher = true;
        copied = false;
      }
      if (has_job_to_take()) {
        took = true;
        wake_run = take_job(job) || wake_run;
      }
    }
    if (wake_flusher) batch_waiting_.notify_one();
    if (wake_run) run_woken_.notify_one();
    if (!took) {
      std::unique_lock lock(mutex_);
      ++threads_waiting_;
      job_waiting_.wait(lock, [this] { return closing_ || has_job_to_take(); });
      --threads_waiting_;
      if (queue_.empty()) return;
      const bool room_made = take_job(job);
      lock.unlock();
      if (room_made) run_woken_.notify_one();
    }
    try {
      start = file_system_.start_copy(job.source, job.target);
    } catch (const std::bad_alloc&) {
      // A thread must not end the program; the entry fails like any other.
      start = {};
      start.error = std::make_error_code(std::errc::not_enough_memory);
    }
    copied = true;
  }
}

}  // namespace tolvane::copy
