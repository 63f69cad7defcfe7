#include "fsys/posix/target_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <string_view>
#include <utility>

#include "fsys/path_split.h"
#include "fsys/posix/identity.h"
#include "fsys/posix/round_trip_volumes.h"

namespace tolvane::fsys::posix {

TargetFolders::TargetFolders(std::size_t kept_open)
    : id_(next_id_.fetch_add(1) + 1), kept_open_(kept_open) {}

TargetFolders::ThreadFolder& TargetFolders::thread_folder() {
  thread_local ThreadFolder last;
  return last;
}

std::error_code TargetFolders::enter(const std::string& target, PosixStagedCopy& staged,
                                     bool& may_exist) {
  ThreadFolder& last = thread_folder();
  const std::uint64_t epoch = epoch_.load(std::memory_order_acquire);
  const std::string_view target_folder = folder_part(target);
  if (!target_folder.empty() && last.owner == id_ && last.epoch == epoch &&
      target_folder == last.folder) {
    staged.ways = last.ways;
    staged.folder = last.open;
    may_exist = last.may_exist;
    return {};
  }
  std::string folder = folder_of(target);
  if (const std::error_code error = enter_folder(folder, staged, may_exist)) return error;
  // What a sweep finds is learnt by the copy that needs it.
  last = {id_, epoch, std::move(folder), staged.ways, staged.folder, may_exist, nullptr, false};
  return {};
}

std::error_code TargetFolders::enter_folder(const std::string& folder, PosixStagedCopy& staged,
                                            bool& may_exist) {
  {
    const std::lock_guard lock(mutex_);
    may_exist = !made_.contains(folder);
    if (const auto known = folders_.find(folder); known != folders_.end()) {
      staged.ways = known->second.ways;
      staged.folder = known->second.open;
      return {};
    }
  }
  EnteredFolder entered;
  if (const std::error_code error = open_folder(folder, entered)) return error;
  staged.ways = entered.ways;
  staged.folder = entered.open;
  const std::lock_guard lock(mutex_);
  remember_folder(folder, std::move(entered));
  return {};
}

void TargetFolders::made(const std::string& path) {
  EnteredFolder entered;
  const bool opened = !open_folder(path, entered);
  const std::lock_guard lock(mutex_);
  made_.insert(path + '/');
  if (opened) remember_folder(path + '/', std::move(entered));
  invalidate();
}

bool TargetFolders::holds_only_this_run(const std::string& folder) {
  const std::lock_guard lock(mutex_);
  return made_.contains(folder);
}

void TargetFolders::forget_folders() {
  const std::lock_guard lock(mutex_);
  open_.clear();
  folders_.clear();
  made_.clear();
  invalidate();
}

std::error_code TargetFolders::open_folder(const std::string& folder, EnteredFolder& entered) {
  entered.open =
      std::make_shared<const Descriptor>(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat info;
  if (!*entered.open || ::fstat(entered.open->get(), &info) != 0) return last_error();
  entered.ways = volume_of(folder, info.st_dev);
  return {};
}

// Past kept_open_, the folder met longest ago is closed, and its copies not
// yet named go by its path.
void TargetFolders::remember_folder(const std::string& folder, EnteredFolder opened) {
  const auto [entered, added] = folders_.try_emplace(folder, EnteredFolder{opened.ways, nullptr});
  if (!added || entered->second.open) return;
  entered->second.open = std::move(opened.open);
  open_.push_back(&entered->second);
  if (open_.size() > kept_open_) {
    open_.front()->open.reset();
    open_.pop_front();
  }
}

// A volume met for the first time is asked what it is.
VolumeWays* TargetFolders::volume_of(const std::string& folder, dev_t device) {
  {
    const std::lock_guard lock(mutex_);
    if (const auto known = volumes_.find(device); known != volumes_.end()) {
      return known->second.get();
    }
  }
  struct statfs info;
  const long type = ::statfs(folder.c_str(), &info) == 0 ? static_cast<long>(info.f_type) : 0;
  const std::lock_guard lock(mutex_);
  auto& volume = volumes_[device];
  if (!volume) {
    volume = std::make_unique<VolumeWays>();
    volume->round_trips = round_trips_on(type);
    // Unknown (statfs refused): no number is trusted.
    volume->numbers_last = type != 0 && numbers_last_on(type);
    volume->device = device;
  }
  return volume.get();
}

}  // namespace tolvane::fsys::posix
