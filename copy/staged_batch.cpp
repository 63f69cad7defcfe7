// The flush and the naming of a batch, each done once per batch.
#include "copy/staged_batch.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "copy/run_recorder.h"

namespace tolvane::copy {

std::size_t batch_limit_within(std::size_t allowed, std::size_t stagers) {
  const std::size_t third = allowed / 3;
  return std::clamp<std::size_t>(third > stagers ? third - stagers : 1, 1, batch_limit);
}

void StagedBatch::add(CopyJob job, fsys::CopyStart& start) {
  round_trips = round_trips || start.round_trips;
  jobs.push_back(std::move(job));
  fsys::CopyNaming& naming = namings.emplace_back();
  naming.staged = std::move(start.staged);
  naming.identity = start.identity;
}

void StagedBatch::clear() {
  jobs.clear();
  namings.clear();
  round_trips = false;
}

namespace {

// Copies that could not be finished for want of memory: they are dropped
// unnamed, which leaves nothing behind, and fail.
void fail_unfinished(std::vector<fsys::CopyNaming>& namings) {
  for (fsys::CopyNaming& naming : namings) {
    if (!naming.staged) continue;
    naming.staged.reset();
    naming.error = std::make_error_code(std::errc::not_enough_memory);
  }
}
void fail_unfinished(StagedBatch& batch) { fail_unfinished(batch.namings); }

void name_slice(fsys::FileSystem& file_system, std::vector<fsys::CopyNaming>& slice) {
  try {
    file_system.name_copies(slice);
  } catch (const std::bad_alloc&) {
    fail_unfinished(slice);
  }
}

// Where each name is a round trip, a batch named one copy after another
// waits for each in turn: its slices are named at once instead, the first
// on this thread.  Slices are runs of the batch, so the copies of a folder
// mostly stay together.
void name_in_lanes(fsys::FileSystem& file_system, std::vector<fsys::CopyNaming>& namings,
                   std::size_t lanes) {
  const std::size_t count = namings.size();
  const auto start_of = [&](std::size_t lane) {
    return namings.begin() + static_cast<std::ptrdiff_t>(lane * count / lanes);
  };
  // Every allocation comes before the first copy leaves the batch: out of
  // memory here, the batch is still whole and fails as a whole.
  std::vector<std::vector<fsys::CopyNaming>> slices(lanes);
  std::vector<std::thread> helpers;
  helpers.reserve(lanes - 1);
  for (std::size_t lane = 0; lane < lanes; ++lane) {
    slices[lane].reserve(static_cast<std::size_t>(start_of(lane + 1) - start_of(lane)));
  }
  for (std::size_t lane = 0; lane < lanes; ++lane) {
    slices[lane].assign(std::make_move_iterator(start_of(lane)),
                        std::make_move_iterator(start_of(lane + 1)));
  }
  std::size_t started = 1;
  try {
    for (; started < lanes; ++started) {
      helpers.emplace_back(
          [&file_system, &slice = slices[started]] { name_slice(file_system, slice); });
    }
  } catch (const std::exception&) {
    // No thread to be had: the slices left are named here.
  }
  for (std::size_t lane = started; lane < lanes; ++lane) name_slice(file_system, slices[lane]);
  name_slice(file_system, slices[0]);
  for (std::thread& helper : helpers) helper.join();
  std::size_t next = 0;
  for (std::vector<fsys::CopyNaming>& slice : slices) {
    for (fsys::CopyNaming& naming : slice) namings[next++] = std::move(naming);
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
                RunRecorder* recorder, std::size_t lanes) {
  if (recorder != nullptr) recorder->naming(batch.jobs, batch.namings);
  lanes = batch.round_trips ? std::min(lanes, batch.size()) : 1;
  try {
    if (lanes > 1) {
      name_in_lanes(file_system, batch.namings, lanes);
    } else {
      file_system.name_copies(batch.namings);
    }
  } catch (const std::bad_alloc&) {
    fail_unfinished(batch);
  }
  if (recorder != nullptr) recorder->named(batch.jobs, batch.namings);
  for (std::size_t k = 0; k < batch.jobs.size(); ++k) {
    fsys::CopyNaming& naming = batch.namings[k];
    results.push_back({std::move(batch.jobs[k]), naming.error, naming.outcome,
                       std::move(naming.identity), std::move(naming.kept), true});
  }
  batch.clear();
}

}  // namespace tolvane::copy
