#include "fsys/posix/folder_sweeps.h"

#include <utility>

#include "fsys/letter_case_fold.h"
#include "fsys/posix/temporaries.h"

namespace tolvane::fsys::posix {

const std::vector<struct stat>* FolderSweeps::sweep_once(const std::string& folder) {
  bool sweep = false;
  std::string folder_key;
  {
    std::unique_lock lock(mutex_);
    folder_key = key(folder);
    sweep = begun_.insert(folder_key).second;
    if (sweep) {
      sweeping_.insert(folder_key);
    } else {
      swept_.wait(lock, [&] { return !sweeping_.contains(folder_key); });
    }
  }
  // Another thread may copy into the folder meanwhile: its temporaries
  // carry this process's id, which the sweep never removes.
  if (sweep) {
    std::vector<struct stat> removed;
    remove_stale_temporaries(folder, &removed);
    {
      const std::lock_guard lock(mutex_);
      if (!removed.empty()) left_copies_[folder_key] = std::move(removed);
      sweeping_.erase(folder_key);
    }
    swept_.notify_all();
  }
  const std::lock_guard lock(mutex_);
  const auto left = left_copies_.find(folder_key);
  return left == left_copies_.end() ? nullptr : &left->second;
}

void FolderSweeps::folds_below(std::string folder) {
  if (!folder.ends_with('/')) folder += '/';
  const std::lock_guard lock(mutex_);
  folding_.push_back(std::move(folder));
}

void FolderSweeps::forget() {
  const std::lock_guard lock(mutex_);
  begun_.clear();
  left_copies_.clear();
  // Each run asks again how its destination compares names.
  folding_.clear();
}

// On a volume that folds letter case, "Trip/" and "trip/" are one folder,
// and whichever spelling meets it first must tell the other what the sweep
// found.
std::string FolderSweeps::key(const std::string& folder) const {
  for (const std::string& root : folding_) {
    if (folder.starts_with(root)) return letter_case_folded(folder);
  }
  return folder;
}

}  // namespace tolvane::fsys::posix
