// The two threads behind the copy threads: one flushes each staged batch
// once it is due, the other names the flushed batch meanwhile, and hands
// its results to the run.
#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "copy/copy_workers.h"

namespace tolvane::copy {

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

void CopyWorkers::flush_batches() {
  for (;;) {
    StagedBatch batch;
    bool room_made = false;
    bool copiers_held = false;  // copy threads waiting for room in the batch
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        // The next batch is taken only once the naming thread has taken the
        // last one flushed: where naming lags (a single folder of a hundred
        // thousand names), a fourth batch held meanwhile would stage copies
        // past those allowed unnamed, and each of those is flushed alone.
        if (flushed_ && !stopping_) {
          flushed_changed_.wait(lock);
          continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (batch_due(now)) break;
        if (copiers_done_ && batch_.empty()) {
          flusher_done_ = true;
          flushed_changed_.notify_all();
          return;
        }
        if (batch_.empty()) {
          batch_waiting_.wait(lock);
        } else {
          batch_waiting_.wait_until(
              lock, std::min(batch_opened_ + batch_age,
                             idle() ? idle_since_ + lull_age : batch_opened_ + batch_age));
        }
      }
      // The staged batch is taken whole; the emptied one kept from the last
      // naming takes its place.
      batch = std::move(spare_);
      std::swap(batch, batch_);
      room_made = run_waits_ == RunWaits::for_room && has_half_room();
      copiers_held = threads_waiting_ > 0 && !queue_.empty();
    }
    // The copy threads go on staging the next batch meanwhile.
    if (room_made) run_woken_.notify_one();
    if (copiers_held) job_waiting_.notify_all();
    flush_batch(file_system_, batch);
    std::unique_lock lock(mutex_);
    flushed_changed_.wait(lock, [this] { return !flushed_ || stopping_; });
    if (stopping_) {
      // Flushed, yet never to be named: dropped with the rest.
      outstanding_ -= batch.size();
      const bool wake_run = run_waits_ != RunWaits::no && outstanding_ == finished_.size();
      lock.unlock();
      if (wake_run) run_woken_.notify_one();
      continue;
    }
    flushed_ = std::move(batch);
    flushed_changed_.notify_all();
  }
}

// Names each flushed batch in turn while the flushing thread puts the next
// one on the device.
void CopyWorkers::name_batches() {
  std::vector<CopyResult> named;
  for (;;) {
    StagedBatch batch;
    {
      std::unique_lock lock(mutex_);
      flushed_changed_.wait(lock, [this] { return flushed_ || flusher_done_; });
      if (!flushed_) return;
      batch = std::move(*flushed_);
      flushed_.reset();
    }
    flushed_changed_.notify_all();
    name_batch(file_system_, batch, named, recorder_, round_trip_naming_lanes);
    bool wake_run = false;
    {
      const std::lock_guard lock(mutex_);
      std::move(named.begin(), named.end(), std::back_inserter(finished_));
      batch_named_ = true;
      // A run waiting for anything is woken: its progress follows each batch.
      wake_run = run_waits_ != RunWaits::no;
      spare_ = std::move(batch);
    }
    named.clear();
    if (wake_run) run_woken_.notify_one();
  }
}

}  // namespace tolvane::copy
