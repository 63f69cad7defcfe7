// Which volumes answer each step of a copy over a round trip to a server:
// FUSE (sshfs, a NAS's share through a FUSE client, a card through
// exfat-fuse) and the network file systems.  A run keeps more copies in
// flight on them, and flushes each copy on its own.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace tolvane::fsys::posix {

// True for a volume of statfs type `type` whose every call waits on a
// server (or on a file system's process outside the kernel).
bool round_trips_on(long type);

// The volumes of the sources a run reads, each asked once.
class SourceVolumes {
 public:
  SourceVolumes() : era_(next_era_.fetch_add(1) + 1) {}

  // True when the open file `fd`, on device `device` (its st_dev), lies on
  // a volume of round trips.  Any thread; a volume is asked what it is
  // only the first time one of its files is met.
  bool round_trips(int fd, dev_t device);

  // The run has ended: before the next, a device number may come to name
  // another volume.  No copy may be under way.
  void forget();

 private:
  // Tells apart what a thread kept from this object, and from before a
  // forget(), from what it may keep now.
  static inline std::atomic<std::uint64_t> next_era_{0};
  std::atomic<std::uint64_t> era_;
  std::mutex mutex_;
  std::unordered_map<dev_t, bool> known_;
};

}  // namespace tolvane::fsys::posix
