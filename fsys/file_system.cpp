// The one-file copy, as the three steps of a batch of one.
#include "fsys/file_system.h"

#include <utility>
#include <vector>

namespace tolvane::fsys {

std::error_code FileSystem::copy_file(const std::string& source, const std::string& target,
                                      CopyOutcome& outcome, LookAlike look_alike) {
  CopyStart start = start_copy(source, target, look_alike);
  outcome = start.outcome;
  if (!start.staged) return start.error;
  std::vector<CopyNaming> batch(1);
  batch.front().staged = std::move(start.staged);
  batch.front().identity = start.identity;
  flush_staged(batch);
  name_copies(batch);
  outcome = batch.front().outcome;
  return batch.front().error;
}

}  // namespace tolvane::fsys
