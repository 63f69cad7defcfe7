// The volumes a run has named copies on, each held by an open folder, so
// that the run's end puts them on the device with one syncfs apiece.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <system_error>
#include <unordered_map>

#include "fsys/posix/copy.h"
#include "fsys/posix/descriptor.h"

namespace tolvane::fsys::posix {

class WrittenVolumes {
 public:
  // Keeps a descriptor on the volume of `ways`, where `target` was just
  // named: one per volume, opened by its first copy.  Any thread.
  void note(const VolumeWays& ways, const std::string& target);

  // One syncfs per volume noted: the names the batches gave, and the
  // folders made, go on the device together.  Then forgets them all.
  std::error_code flush_all();

 private:
  std::mutex mutex_;
  std::unordered_map<dev_t, Descriptor> devices_;
};

}  // namespace tolvane::fsys::posix
