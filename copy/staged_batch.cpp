// The flush and the naming of a batch, each done once per batch.
#include "copy/staged_batch.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tolvane::copy {

std::size_t batch_limit_within(std::size_t allowed, std::size_t stagers) {
  const std::size_t third = allowed / 3;
  return std::clamp<std::size_t>(third > stagers ? third - stagers : 1, 1, batch_limit);
}

void StagedBatch::add(CopyJob job, std::unique_ptr<fsys::StagedCopy> staged) {
  jobs.push_back(std::move(job));
  namings.emplace_back().staged = std::move(staged);
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

void name_batch(fsys::FileSystem& file_system, StagedBatch& batch,
                std::vector<CopyResult>& results) {
  try {
    file_system.name_copies(batch.namings);
  } catch (const std::bad_alloc&) {
    fail_unfinished(batch);
  }
  for (std::size_t k = 0; k < batch.jobs.size(); ++k) {
    results.push_back({std::move(batch.jobs[k]), batch.namings[k].error, batch.namings[k].outcome});
  }
  batch.clear();
}

}  // namespace tolvane::copy
