// The destination folders a run copies into: each one's volume, learnt once
// per volume, and the folder itself kept open for the copies into it while
// it is among those met last.  Each copy thread keeps the folder it copied
// into last, which its next copy nearly always shares, and takes it from
// there without the lock.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fsys/posix/copy.h"
#include "fsys/posix/descriptor.h"

namespace tolvane::fsys::posix {

class TargetFolders {
 public:
  // Keeps at most `kept_open` folders open.
  explicit TargetFolders(std::size_t kept_open);

  // What a copy thread learnt of the folder it copied into last, and what
  // the sweep before its first copy there found.
  struct ThreadFolder {
    std::uint64_t owner = 0;  // the TargetFolders it belongs to
    std::uint64_t epoch = 0;
    std::string folder;
    VolumeWays* ways = nullptr;
    std::weak_ptr<const Descriptor> open;
    bool may_exist = true;
    const std::vector<struct stat>* left_copies = nullptr;
    bool swept = false;  // its sweep is over, and left_copies is what it found
  };

  // Learns the folder of `target` for a copy into it: gives `staged` the
  // folder's volume and its open descriptor, and says in `may_exist`
  // whether the folder can hold files this run did not write (when it
  // cannot, no look at the target precedes the copy).  Opens a folder met
  // for the first time.  Any thread; afterwards thread_folder() is that
  // folder.
  std::error_code enter(const std::string& target, PosixStagedCopy& staged, bool& may_exist);

  // The calling thread's folder, as the last enter() left it.
  static ThreadFolder& thread_folder();

  // `path` (without its separator) was just made by this run, or found
  // empty before its first copy: the copies into it find it open and its
  // volume known, and nothing in it predates the run.
  void made(const std::string& path);

  // True when made() was told of `folder` (with its separator) this run.
  bool holds_only_this_run(const std::string& folder);

  // What the threads hold of their folders may be wrong now (a volume was
  // found to fold letter case): each asks again.
  void invalidate() { epoch_.fetch_add(1, std::memory_order_release); }

  // The run has ended: every folder is closed and forgotten, since any may
  // be removed or replaced before the next run.  The volumes are kept.
  void forget_folders();

 private:
  // A folder copies went into: its volume, and the folder itself while it
  // is kept open.
  struct EnteredFolder {
    VolumeWays* ways = nullptr;
    std::shared_ptr<const Descriptor> open;  // null once closed
  };

  std::error_code enter_folder(const std::string& folder, PosixStagedCopy& staged, bool& may_exist);
  std::error_code open_folder(const std::string& folder, EnteredFolder& entered);
  // Called with mutex_ held.
  void remember_folder(const std::string& folder, EnteredFolder opened);
  VolumeWays* volume_of(const std::string& folder, dev_t device);

  // Tells apart the objects a thread's ThreadFolder may come from.
  static inline std::atomic<std::uint64_t> next_id_{0};
  const std::uint64_t id_;
  // Moves on whenever what a ThreadFolder holds may have changed.
  std::atomic<std::uint64_t> epoch_{0};
  const std::size_t kept_open_;

  std::mutex mutex_;
  std::unordered_map<dev_t, std::unique_ptr<VolumeWays>> volumes_;
  std::unordered_map<std::string, EnteredFolder> folders_;
  // The entered folders still open, oldest first (unordered_map keeps its
  // elements where they are).
  std::deque<EnteredFolder*> open_;
  // The folders this run made, with their separator.
  std::unordered_set<std::string> made_;
};

}  // namespace tolvane::fsys::posix
