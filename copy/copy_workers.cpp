// The job queue and the copy threads that stage its jobs: a bounded queue
// of jobs in, a list of results out, both under one lock that is held only
// to move a job or a result, never while a file is copied.  The threads
// that flush and name the staged batches are in batch_threads.cpp.
#include "copy/copy_workers.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "copy/run_recorder.h"

namespace tolvane::copy {

CopyWorkers::CopyWorkers(fsys::FileSystem& file_system, std::size_t threads,
                         std::size_t queue_limit, RunRecorder* recorder)
    : file_system_(file_system),
      recorder_(recorder),
      queue_limit_(std::max<std::size_t>(queue_limit, 1)),
      batch_limit_(batch_limit_within(file_system.staged_copies_allowed(),
                                      std::max<std::size_t>(threads, 1))),
      copiers_(std::max<std::size_t>(threads, 1)) {
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

void CopyWorkers::stop() {
  // Dropped outside the lock: each staged copy closes a file.
  std::deque<CopyJob> jobs;
  StagedBatch staged;
  std::optional<StagedBatch> flushed;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    outstanding_ -= queue_.size() + batch_.size() + (flushed_ ? flushed_->size() : 0);
    jobs.swap(queue_);
    std::swap(staged, batch_);
    flushed.swap(flushed_);
  }
  // The flushing thread may wait for the flushed batch to be taken.
  flushed_changed_.notify_all();
}

bool CopyWorkers::take_jobs(std::vector<CopyJob>& jobs, std::size_t most) {
  // A share of the queue, so that no thread sits idle while another holds
  // several jobs; beyond the first, only jobs whose copies the batch still
  // has room for, so that the copies allowed unnamed hold with every
  // thread holding a run.
  const std::size_t share = std::max<std::size_t>(queue_.size() / copiers_, 1);
  most = std::min(most, share);
  do {
    jobs.push_back(std::move(queue_.front()));
    queue_.pop_front();
    ++copying_;
  } while (jobs.size() < most && !queue_.empty() && batch_.size() + copying_ < batch_limit_);
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

void CopyWorkers::hand_on(std::vector<Done>& done, bool& wake_run, bool& wake_flusher,
                          bool& wake_copier) {
  const bool none_finished = finished_.empty();
  const bool could_take = has_job_to_take();
  copying_ -= done.size();
  if (idle()) idle_since_ = std::chrono::steady_clock::now();
  for (Done& copy : done) {
    if (copy.start.round_trips && !deep_) deepen();
    if (copy.start.staged && stopping_) {
      // Staged after the stop: dropped unnamed, which leaves nothing.
      copy.start.staged.reset();
      --outstanding_;
    } else if (copy.start.staged) {
      if (batch_.empty()) batch_opened_ = std::chrono::steady_clock::now();
      batch_.add(std::move(copy.job), copy.start);
      // The first copy of a batch starts the flushing thread's clock.
      wake_flusher = wake_flusher || batch_.size() == 1;
    } else {
      fsys::CopyStart& start = copy.start;
      finished_.push_back({std::move(copy.job), start.error, start.outcome,
                           std::move(start.identity), std::move(start.kept)});
    }
  }
  done.clear();
  if (!batch_.empty() && batch_due(std::chrono::steady_clock::now())) wake_flusher = true;
  // The last result ends any wait; results alone wake a run only when it
  // waits for nothing else.
  if (!finished_.empty()) {
    wake_run = wake_run || (run_waits_ == RunWaits::for_results && none_finished);
  }
  // So does the last copy dropped after a stop.
  wake_run = wake_run || (run_waits_ != RunWaits::no && outstanding_ == finished_.size());
  // The last copy of a lull starts the shorter wait of a waiting batch.
  if (!batch_.empty() && idle()) wake_flusher = true;
  // Results that join no batch make room for a thread held back.
  wake_copier = !could_take && threads_waiting_ > 0 && has_job_to_take();
}

void CopyWorkers::deepen() {
  deep_ = true;
  // The run is ending: the threads it has finish what is left.
  if (closing_) return;
  const std::size_t before = copiers_;
  try {
    while (copiers_ < round_trip_copiers) {
      threads_.emplace_back([this] { work(); });
      ++copiers_;
    }
  } catch (const std::exception&) {
    // No more threads to be had: the run goes on with those it has.
  }
  queue_limit_ = queue_limit_ * copiers_ / before;
  batch_limit_ = batch_limit_within(file_system_.staged_copies_allowed(), copiers_);
}

void CopyWorkers::work() {
  std::vector<CopyJob> jobs;  // taken, in list order
  std::size_t next = 0;       // the first of `jobs` not yet copied
  std::vector<Done> done;
  // A thread whose last copy was slow takes one job at a time: a run of
  // large files held by one thread would leave the others idle at the end
  // and hold back progress.
  bool quick = true;
  for (;;) {
    bool wake_run = false;
    bool wake_flusher = false;
    bool wake_copier = false;
    if (next == jobs.size()) {
      jobs.clear();
      next = 0;
    }
    {
      // One lock hands on the copies just made and takes the next jobs.
      std::unique_lock lock(mutex_);
      if (!done.empty()) hand_on(done, wake_run, wake_flusher, wake_copier);
      if (jobs.empty() && has_job_to_take()) {
        wake_run = take_jobs(jobs, quick ? jobs_per_take : 1) || wake_run;
      }
    }
    if (wake_flusher) batch_waiting_.notify_one();
    if (wake_run) run_woken_.notify_one();
    if (wake_copier) job_waiting_.notify_one();
    if (jobs.empty()) {
      std::unique_lock lock(mutex_);
      ++threads_waiting_;
      job_waiting_.wait(lock, [this] { return closing_ || has_job_to_take(); });
      --threads_waiting_;
      if (queue_.empty()) return;
      const bool room_made = take_jobs(jobs, quick ? jobs_per_take : 1);
      lock.unlock();
      if (room_made) run_woken_.notify_one();
    }
    // Copies the jobs taken, and hands them on after a slow one, so that a
    // large file reaches its batch as soon as it is written.
    // One clock reading per copy: each copy's end is the next one's start.
    auto began = std::chrono::steady_clock::now();
    while (next < jobs.size()) {
      CopyJob& job = jobs[next++];
      fsys::CopyStart start = start_copy_of(file_system_, job);
      done.push_back({std::move(job), std::move(start)});
      const auto ended = std::chrono::steady_clock::now();
      quick = ended - began < quick_copy;
      if (!quick) break;
      began = ended;
    }
  }
}

}  // namespace tolvane::copy
