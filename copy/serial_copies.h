// The copy pipeline run by the run's thread alone: every call of the file
// system happens there, in list order, for a file system that must not be
// called from several threads (the dry run's).
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "copy/copy_pipeline.h"
#include "copy/staged_batch.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

class SerialCopies final : public CopyPipeline {
 public:
  // `recorder` (may be null) learns of each batch before it is named.
  SerialCopies(fsys::FileSystem& file_system, RunRecorder* recorder);

  bool has_room_for(std::size_t /*count*/) override { return true; }
  // Stages each job at once; a full or old batch is flushed and named then.
  void hand_out(std::vector<CopyJob>& jobs) override;
  void last_job_handed_out() override;
  std::size_t outstanding() override { return outstanding_; }
  void take_results(std::vector<CopyResult>& results, std::chrono::milliseconds patience,
                    bool or_room) override;
  // Drops the batch staged since the last one was named.
  void stop() override;

 private:
  void finish_batch();

  fsys::FileSystem& file_system_;
  RunRecorder* recorder_;
  const std::size_t batch_limit_;
  StagedBatch batch_;
  std::chrono::steady_clock::time_point batch_opened_;
  std::vector<CopyResult> finished_;
  std::size_t outstanding_ = 0;
  bool last_handed_out_ = false;
};

}  // namespace tolvane::copy
