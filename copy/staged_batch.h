// A batch of staged copies and the two steps that finish it, flushed once
// and then named, whoever runs them: the run's thread in a serial run, the
// flushing and naming threads of the copy threads otherwise.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "copy/copy_job.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

class RunRecorder;

// A batch of staged copies is named once it holds this many (or fewer, as
// the file system's staged_copies_allowed() says), or once its first copy
// has waited this long, or once nothing has been copied for lull_age, or at
// once after the run's last copy.  Each batch costs a flush of the volume,
// a journal commit and the device's cache flush, whatever its size: at
// 1024 small files a batch, a run of 50,000 paid for about 50 of them.
inline constexpr std::size_t batch_limit = 8192;
inline constexpr std::chrono::milliseconds batch_age{1000};
inline constexpr std::chrono::milliseconds lull_age{50};

// The largest batch when `stagers` threads stage copies and the file system
// lets `allowed` wait unnamed: a third of the allowance, one batch being
// named while the next is flushed and a third fills, less the copies under
// way that may join a full batch, so that none pushes a copy past it.
std::size_t batch_limit_within(std::size_t allowed, std::size_t stagers);

struct StagedBatch {
  std::vector<CopyJob> jobs;
  std::vector<fsys::CopyNaming> namings;  // one per job, in the same order
  // A copy of the batch goes to or from a volume where each step is a round
  // trip: its names are given several at once.
  bool round_trips = false;

  bool empty() const { return jobs.empty(); }
  std::size_t size() const { return jobs.size(); }
  // Takes the staged half of `start`, with what start_copy said of it.
  void add(CopyJob job, fsys::CopyStart& start);
  // Empties the batch and keeps its memory for the next one.
  void clear();
};

// Puts the batch's data on the device: the one flush of the batch.  Copies
// whose data did not get there carry their error and are never named.
void flush_batch(fsys::FileSystem& file_system, StagedBatch& batch);

// Names the flushed copies of `batch` and appends a result per job, in
// batch order, to `results`; empties the batch.  The recorder, if any, has
// every copy about to be named on the disk before the first takes its name,
// and learns which took their names once all have.
// A batch of round trips is named in up to `lanes` slices at once, each on
// a thread of its own (this one among them), each slice in batch order.
void name_batch(fsys::FileSystem& file_system, StagedBatch& batch, std::vector<CopyResult>& results,
                RunRecorder* recorder, std::size_t lanes = 1);

}  // namespace tolvane::copy
