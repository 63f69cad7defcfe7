#include "fsys/posix/source_folders.h"

#include <fcntl.h>

namespace tolvane::fsys::posix {

SourceFolders::SourceFolders() : id_(next_id_.fetch_add(1) + 1) {}

std::shared_ptr<const Descriptor> SourceFolders::folder(std::string_view path) {
  // What this thread asked for last, held weakly: close_all closes it.
  struct Last {
    std::uint64_t owner = 0;
    std::uint64_t generation = 0;
    std::string path;
    std::weak_ptr<const Descriptor> open;
  };
  thread_local Last last;
  const std::uint64_t generation = generation_.load(std::memory_order_acquire);
  if (last.owner == id_ && last.generation == generation && last.path == path) {
    if (std::shared_ptr<const Descriptor> open = last.open.lock()) return open;
  }
  std::shared_ptr<const Descriptor> open;
  {
    const std::lock_guard lock(mutex_);
    if (const auto known = open_.find(std::string(path)); known != open_.end()) open = known->second;
  }
  if (!open) {
    auto made = std::make_shared<const Descriptor>(
        ::open(std::string(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!*made) return nullptr;
    const std::lock_guard lock(mutex_);
    const auto [entry, added] = open_.try_emplace(std::string(path), std::move(made));
    open = entry->second;
    if (added) {
      order_.emplace_back(path);
      if (order_.size() > kept) {
        open_.erase(order_.front());
        order_.pop_front();
      }
    }
  }
  last = {id_, generation, std::string(path), open};
  return open;
}

void SourceFolders::close_all() {
  const std::lock_guard lock(mutex_);
  generation_.fetch_add(1, std::memory_order_release);
  open_.clear();
  order_.clear();
}

}  // namespace tolvane::fsys::posix
