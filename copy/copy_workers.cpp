// The copy threads: a bounded queue of jobs in, a list of results out, both
// under one lock that is held only to move a job or a result, never while
// a file is copied.
#include "copy/copy_workers.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

namespace tolvane::copy {

std::size_t default_copy_workers() {
  // Measured on the benchmark's small files (2 cores): more threads than
  // cores keep the disk busy while others wait on the journal; beyond four
  // nothing more was gained.
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<std::size_t>(cores * 2, 2, 8);
}

CopyWorkers::CopyWorkers(fsys::FileSystem& file_system, std::size_t threads,
                         std::size_t queue_limit)
    : file_system_(file_system), queue_limit_(std::max<std::size_t>(queue_limit, 1)) {
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) threads_.emplace_back([this] { work(); });
}

CopyWorkers::~CopyWorkers() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  job_waiting_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

bool CopyWorkers::has_room() {
  const std::lock_guard lock(mutex_);
  return queue_.size() < queue_limit_;
}

void CopyWorkers::hand_out(CopyJob job) {
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
    ++outstanding_;
  }
  job_waiting_.notify_one();
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
    run_woken_.wait_for(lock, patience, [this, or_room] {
      return outstanding_ == 0 || (or_room ? has_half_room() : !finished_.empty());
    });
    run_waits_ = RunWaits::no;
  }
  outstanding_ -= finished_.size();
  std::move(finished_.begin(), finished_.end(), std::back_inserter(results));
  finished_.clear();
}

void CopyWorkers::work() {
  for (;;) {
    CopyResult result;
    bool wake_run = false;
    {
      std::unique_lock lock(mutex_);
      job_waiting_.wait(lock, [this] { return closing_ || !queue_.empty(); });
      if (queue_.empty()) return;
      result.job = std::move(queue_.front());
      queue_.pop_front();
      wake_run = run_waits_ == RunWaits::for_room && has_half_room();
    }
    if (wake_run) run_woken_.notify_one();
    try {
      result.error = file_system_.copy_file(result.job.source, result.job.target, result.outcome);
    } catch (const std::bad_alloc&) {
      // A thread must not end the program; the entry fails like any other.
      result.error = std::make_error_code(std::errc::not_enough_memory);
    }
    {
      const std::lock_guard lock(mutex_);
      finished_.push_back(std::move(result));
      // The last result ends any wait; results alone wake a run only when
      // it waits for nothing else.
      wake_run = (run_waits_ == RunWaits::for_results && finished_.size() == 1) ||
                 (run_waits_ != RunWaits::no && outstanding_ == finished_.size());
    }
    if (wake_run) run_woken_.notify_one();
  }
}

}  // namespace tolvane::copy
