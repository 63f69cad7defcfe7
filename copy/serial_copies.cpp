// The run's thread stages, flushes and names, a batch at a time.
#include "copy/serial_copies.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "copy/run_recorder.h"

namespace tolvane::copy {

SerialCopies::SerialCopies(fsys::FileSystem& file_system, RunRecorder* recorder)
    : file_system_(file_system),
      recorder_(recorder),
      // One batch at a time: it may take the whole allowance.
      batch_limit_(std::clamp<std::size_t>(file_system.staged_copies_allowed(), 1, batch_limit)) {}

void SerialCopies::hand_out(std::vector<CopyJob>& jobs) {
  outstanding_ += jobs.size();
  for (CopyJob& job : jobs) {
    fsys::CopyStart start = start_copy_of(file_system_, job);
    if (!start.staged) {
      finished_.push_back({std::move(job), start.error, start.outcome, std::move(start.identity),
                           std::move(start.kept)});
      continue;
    }
    if (batch_.empty()) batch_opened_ = std::chrono::steady_clock::now();
    batch_.add(std::move(job), start);
    if (batch_.size() >= batch_limit_ || last_handed_out_ ||
        std::chrono::steady_clock::now() - batch_opened_ >= batch_age) {
      finish_batch();
    }
  }
  jobs.clear();
}

void SerialCopies::last_job_handed_out() {
  last_handed_out_ = true;
  finish_batch();
}

void SerialCopies::take_results(std::vector<CopyResult>& results,
                                std::chrono::milliseconds /*patience*/, bool /*or_room*/) {
  // Nothing runs elsewhere: what is not finished now waits for its batch.
  outstanding_ -= finished_.size();
  std::move(finished_.begin(), finished_.end(), std::back_inserter(results));
  finished_.clear();
}

void SerialCopies::stop() {
  // Destroyed unnamed, the staged copies leave nothing behind.
  outstanding_ -= batch_.size();
  batch_.clear();
}

void SerialCopies::finish_batch() {
  if (batch_.empty()) return;
  flush_batch(file_system_, batch_);
  name_batch(file_system_, batch_, finished_, recorder_);
}

}  // namespace tolvane::copy
