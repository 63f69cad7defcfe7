#include "fsys/posix/round_trip_volumes.h"

#include <sys/vfs.h>

#include <cstdint>

#include "fsys/posix/identity.h"

namespace tolvane::fsys::posix {

bool round_trips_on(long type) {
  // The kernel's magic numbers, compared as the 32 bits they are.
  constexpr std::uint32_t nfs = 0x6969, smb = 0x517B, cifs = 0xFF534D42, smb2 = 0xFE534D42,
                          ceph = 0x00C36400, nine_p = 0x01021997, afs = 0x6B414653,
                          coda = 0x73757245;
  const auto magic = static_cast<std::uint32_t>(type);
  return type == fuse_type || magic == nfs || magic == smb || magic == cifs || magic == smb2 ||
         magic == ceph || magic == nine_p || magic == afs || magic == coda;
}

bool SourceVolumes::round_trips(int fd, dev_t device) {
  // A copy thread's sources mostly come from one volume: the last answer is
  // kept by the thread, and the shared table is asked only on a change.
  struct Last {
    std::uint64_t era = 0;
    dev_t device = 0;
    bool round_trips = false;
  };
  thread_local Last last;
  const std::uint64_t era = era_.load(std::memory_order_acquire);
  if (last.era == era && last.device == device) return last.round_trips;
  bool answer = false;
  {
    const std::lock_guard lock(mutex_);
    const auto known = known_.find(device);
    if (known != known_.end()) {
      answer = known->second;
    } else {
      // A volume that cannot be asked now (no descriptor on it) is asked
      // again by its next file.
      struct statfs info;
      if (::fstatfs(fd, &info) != 0) return false;
      answer = round_trips_on(static_cast<long>(info.f_type));
      known_.emplace(device, answer);
    }
  }
  last = {era, device, answer};
  return answer;
}

void SourceVolumes::forget() {
  const std::lock_guard lock(mutex_);
  known_.clear();
  era_.store(next_era_.fetch_add(1) + 1, std::memory_order_release);
}

}  // namespace tolvane::fsys::posix
