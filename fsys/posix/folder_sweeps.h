// The sweep of what killed copies left in a destination folder (hidden
// temporaries, and the empty names they reserved), done once per folder and
// run, before the first copy written there.
#pragma once

#include <sys/stat.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tolvane::fsys::posix {

class FolderSweeps {
 public:
  // Sweeps `folder` (ending in '/') unless this run has swept it already,
  // and returns what its sweep removed, or null when it removed nothing:
  // that tells a name reserved by a killed copy from a file of the user's.
  // The copy threads that meet a folder at once sweep it once; the others
  // wait for that sweep, so that no copy is named beside what a killed one
  // left.  Any thread.
  const std::vector<struct stat>* sweep_once(const std::string& folder);

  // Everything below `folder` (ending in '/') compares names regardless of
  // letter case: "Trip/" and "trip/" there are one folder to sweep.
  void folds_below(std::string folder);

  // The run has ended: the next run sweeps again, since another program's
  // killed copy may have left something meanwhile.  No sweep may be under
  // way, and nothing may still hold what sweep_once returned.
  void forget();

 private:
  // Called with mutex_ held.
  std::string key(const std::string& folder) const;

  std::mutex mutex_;
  std::condition_variable swept_;
  std::unordered_set<std::string> begun_;     // by key: a thread has begun its sweep
  std::unordered_set<std::string> sweeping_;  // and not yet ended it
  // By key: what each sweep removed, where it removed anything (its
  // elements stay where they are, and copies point to them).
  std::unordered_map<std::string, std::vector<struct stat>> left_copies_;
  std::vector<std::string> folding_;  // folders below which letter case is one
};

}  // namespace tolvane::fsys::posix
