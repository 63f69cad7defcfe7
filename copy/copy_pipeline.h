// The way every copy of a run takes: staged, its batch flushed, then named.
// The run's thread hands jobs in and takes results out the same way whether
// it runs the steps itself (serial_copies.h) or copy threads do
// (copy_workers.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "copy/copy_job.h"

namespace tolvane::copy {

class CopyPipeline {
 public:
  virtual ~CopyPipeline() = default;

  // True when `count` more jobs can be handed out without waiting.
  virtual bool has_room_for(std::size_t count) = 0;
  // Queues every job of `jobs`, in order, and empties it; only when
  // has_room_for(jobs.size()) said so, or for jobs handed back with a new
  // name.
  virtual void hand_out(std::vector<CopyJob>& jobs) = 0;
  // Says that only jobs handed back with a new name will follow, so that
  // the last batch is named as soon as its copies are written.
  virtual void last_job_handed_out() = 0;
  // Jobs handed out whose result has not been taken yet.
  virtual std::size_t outstanding() = 0;
  // Appends the results finished so far to `results`.  When there are none
  // yet, waits up to `patience` for one, or with `or_room` also for a free
  // place in the queue.
  virtual void take_results(std::vector<CopyResult>& results, std::chrono::milliseconds patience,
                            bool or_room) = 0;
  // The run stops: the jobs not yet started and the copies staged but not
  // yet named are dropped, unnamed, and their results never come (they no
  // longer count as outstanding); copies under way are dropped once staged,
  // and a batch taking its names finishes.  No job is handed out after it.
  virtual void stop() = 0;
};

}  // namespace tolvane::copy
