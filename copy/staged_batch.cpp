// The flush and the naming of a batch, each done once per batch.
#include "copy/staged_batch.h"

#include <algorithm>
#include <new>
#include <utility>

#include "copy/run_recorder.h"

namespace tolvane::copy {

std::size_t batch_limit_within(std::size_t allowed, std::size_t stagers) {
  const std::size_t third = allowed / 3;
  return std::clamp<std::size_t>(third > stagers ? third - stagers : 1, 1, batch_limit);
}

void StagedBatch::add(CopyJob job, fsys::CopyStart& start) {
  jobs.push_back(std::move(job));
  fsys::CopyNaming& naming = namings.emplace_back();
  naming.staged = std::move(start.staged);
  naming.identity = start.identity;
}

void StagedBatch::clear() {
  jobs.clear();
  namings.clear();
}

namespace {

// A batch that could not be finished for want of memory: its copies are
// dropped unnamed, which leaves nothing behind, and fail.
void fail_unfinished(StagedBatch& batch) {
  for (fsys::CopyNaming& naming : batch.namings) {
    if (!naming.staged) continue;
    naming.staged.reset();
    naming.error = std::make_error_code(std::errc::not_enough_memory);
  }
}

}  // namespace

void flush_batch(fsys::FileSystem& file_system, StagedBatch& batch) {
  try {
    file_system.flush_staged(batch.namings);
  } catch (const std::bad_alloc&) {
    // Whatever the flush reached is unknown: nothing of it may be named.
    fail_unfinished(batch);
  }
}

void name_batch(fsys::FileSystem& file_system, StagedBatch& batch, std::vector<CopyResult>& results,
                RunRecorder* recorder) {
  if (recorder != nullptr) {
    // Looked at while the targets still hold what the copies replace.
    for (std::size_t k = 0; k < batch.jobs.size(); ++k) {
      if (batch.namings[k].staged)
        batch.jobs[k].replaces_copy_of = recorder->earlier_copy_at(batch.jobs[k]);
    }
    recorder->naming(batch.jobs, batch.namings);
  }
  try {
    file_system.name_copies(batch.namings);
  } catch (const std::bad_alloc&) {
    fail_unfinished(batch);
  }
  for (std::size_t k = 0; k < batch.jobs.size(); ++k) {
    fsys::CopyNaming& naming = batch.namings[k];
    results.push_back({std::move(batch.jobs[k]), naming.error, naming.outcome,
                       std::move(naming.identity), std::move(naming.kept)});
  }
  batch.clear();
}

}  // namespace tolvane::copy
