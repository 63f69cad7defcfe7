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

namespace {

// A batch of at most half what the file system lets wait unnamed, less the
// copies under way that join a full batch: one batch is named while the
// next one fills, and neither may push a copy past the allowance.
std::size_t batch_limit_within(std::size_t allowed, std::size_t threads) {
  const std::size_t half = allowed / 2;
  return std::clamp<std::size_t>(half > threads ? half - threads : 1, 1, batch_limit);
}

}  // namespace

CopyWorkers::CopyWorkers(fsys::FileSystem& file_system, std::size_t threads,
                         std::size_t queue_limit)
    : file_system_(file_system),
      queue_limit_(std::max<std::size_t>(queue_limit, 1)),
      batch_limit_(batch_limit_within(file_system.staged_copies_allowed(),
                                      std::max<std::size_t>(threads, 1))) {
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) threads_.emplace_back([this] { work(); });
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
  namer_.join();
}

bool CopyWorkers::has_room() {
  const std::lock_guard lock(mutex_);
  return queue_.size() < queue_limit_ && batch_.size() < batch_limit_;
}

void CopyWorkers::hand_out(CopyJob job) {
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
    ++outstanding_;
    // A sleeping copy thread is woken once a few jobs wait for it, so that
    // it copies several files per wake-up: when the run's thread plans
    // about as fast as the threads copy, a wake-up per job cost more than
    // the waiting saves.  Jobs handed out after the last one are retries,
    // which nothing else would follow.
    wake = threads_waiting_ > 0 && (queue_.size() >= jobs_per_wake || last_handed_out_);
  }
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
    run_woken_.wait_for(lock, patience, [this, or_room] {
      return outstanding_ == 0 || (or_room ? has_half_room() : !finished_.empty());
    });
    run_waits_ = RunWaits::no;
  }
  outstanding_ -= finished_.size();
  std::move(finished_.begin(), finished_.end(), std::back_inserter(results));
  finished_.clear();
}

bool CopyWorkers::idle() const { return queue_.empty() && copying_ == 0; }

// Under the lock.  A batch waits for more copies only while more are coming:
// a lull in the middle of a run (the run's thread stuck on a slow folder)
// names it once the copy threads have had nothing to do for lull_age, the
// end of the run at once.
bool CopyWorkers::batch_due(std::chrono::steady_clock::time_point now) const {
  if (batch_.empty()) return false;
  const auto age = now - batch_opened_;
  return batch_.size() >= batch_limit_ || age >= batch_age || closing_ ||
         (idle() && (last_handed_out_ || now - idle_since_ >= lull_age));
}

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
  for (;;) {
    CopyJob job;
    bool wake_run = false;
    {
      std::unique_lock lock(mutex_);
      ++threads_waiting_;
      job_waiting_.wait(lock, [this] { return closing_ || !queue_.empty(); });
      --threads_waiting_;
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      ++copying_;
      wake_run = run_waits_ == RunWaits::for_room && has_half_room();
    }
    if (wake_run) run_woken_.notify_one();
    fsys::CopyStart start;
    try {
      start = file_system_.start_copy(job.source, job.target);
    } catch (const std::bad_alloc&) {
      // A thread must not end the program; the entry fails like any other.
      start.error = std::make_error_code(std::errc::not_enough_memory);
      start.staged.reset();
    }
    bool wake_namer = false;
    {
      const std::lock_guard lock(mutex_);
      --copying_;
      if (idle()) idle_since_ = std::chrono::steady_clock::now();
      if (start.staged) {
        if (batch_.empty()) batch_opened_ = std::chrono::steady_clock::now();
        batch_.push_back({std::move(job), std::move(start.staged)});
        // The first copy of a batch starts the naming thread's clock.
        wake_namer = batch_.size() == 1 || batch_due(std::chrono::steady_clock::now());
      } else {
        finished_.push_back({std::move(job), start.error, start.outcome});
        // The last result ends any wait; results alone wake a run only when
        // it waits for nothing else.
        wake_run = (run_waits_ == RunWaits::for_results && finished_.size() == 1) ||
                   (run_waits_ != RunWaits::no && outstanding_ == finished_.size());
      }
      // The last copy of a lull starts the shorter wait of a waiting batch.
      if (!batch_.empty() && idle()) wake_namer = true;
    }
    if (wake_namer) batch_waiting_.notify_one();
    if (wake_run) run_woken_.notify_one();
  }
}

void CopyWorkers::name_batches() {
  std::vector<Staged> taken;
  std::vector<fsys::CopyNaming> namings;
  for (;;) {
    bool room_made = false;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (batch_due(now)) break;
        if (copiers_done_ && batch_.empty()) return;
        if (batch_.empty()) {
          batch_waiting_.wait(lock);
        } else {
          batch_waiting_.wait_until(
              lock, std::min(batch_opened_ + batch_age,
                             idle() ? idle_since_ + lull_age : batch_opened_ + batch_age));
        }
      }
      taken.swap(batch_);
      room_made = run_waits_ == RunWaits::for_room && has_half_room();
    }
    // The copy threads go on staging the next batch meanwhile.
    if (room_made) run_woken_.notify_one();
    namings.clear();
    namings.resize(taken.size());
    for (std::size_t k = 0; k < taken.size(); ++k) namings[k].staged = std::move(taken[k].copy);
    try {
      file_system_.name_copies(namings);
    } catch (const std::bad_alloc&) {
      for (fsys::CopyNaming& naming : namings) {
        naming.staged.reset();
        naming.error = std::make_error_code(std::errc::not_enough_memory);
      }
    }
    bool wake_run = false;
    {
      const std::lock_guard lock(mutex_);
      for (std::size_t k = 0; k < taken.size(); ++k) {
        finished_.push_back({std::move(taken[k].job), namings[k].error, namings[k].outcome});
      }
      wake_run = run_waits_ != RunWaits::no;
    }
    taken.clear();
    if (wake_run) run_woken_.notify_one();
  }
}

}  // namespace tolvane::copy
