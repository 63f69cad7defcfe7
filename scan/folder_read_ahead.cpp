// The folder reads of a walk, shared by the listing thread and its helpers.
#include "scan/folder_read_ahead.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <utility>

namespace tolvane::scan {
namespace {

// Often enough that a window waiting on one slow folder never looks hung.
constexpr std::chrono::milliseconds waiting_interval{20};

}  // namespace

std::size_t default_read_helpers() {
  // The listing thread reads too, so one helper per further core; more
  // only queue up on the same disk.
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp<std::size_t>(cores > 1 ? cores - 1 : 1, 1, 3);
}

FolderReadAhead::FolderReadAhead(FolderTable& table, fsys::FileSystem& file_system,
                                 std::size_t helpers, std::size_t ahead)
    : table_(table), file_system_(file_system), ahead_(std::max<std::size_t>(ahead, 1)) {
  publish_new_slots();
  helpers_.reserve(helpers);
  for (std::size_t i = 0; i < helpers; ++i) helpers_.emplace_back([this] { help(); });
}

FolderReadAhead::~FolderReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  can_read_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void FolderReadAhead::publish_new_slots() {
  // The folder texts live in the table's deque, which never moves them.
  for (; published_ < table_.size(); ++published_) {
    unread_.push_back({&table_.folder(published_), table_.holds_nothing(published_)});
  }
}

void FolderReadAhead::read_one(std::unique_lock<std::mutex>& lock) {
  const Unread unread = unread_.front();
  unread_.pop_front();
  const std::size_t slot = claimed_++;
  read_.emplace_back();
  lock.unlock();
  fsys::FolderContents contents;
  try {
    contents = FolderTable::read(*unread.folder, unread.holds_nothing, file_system_);
  } catch (const std::bad_alloc&) {
    // A helper must not end the program: the folder counts as unreadable.
    contents = {{}, std::make_error_code(std::errc::not_enough_memory)};
  }
  lock.lock();
  // Slots are delivered only once read, so this one is still waiting.
  read_[slot - delivered_] = std::move(contents);
  if (slot == delivered_ && listing_waits_) was_read_.notify_one();
}

void FolderReadAhead::help() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (can_claim()) {
      read_one(lock);
      continue;
    }
    ++helpers_waiting_;
    can_read_.wait(lock);
    --helpers_waiting_;
  }
}

std::optional<FolderRead> FolderReadAhead::next(const std::function<void()>& waiting) {
  if (table_.walked()) return std::nullopt;
  std::unique_lock lock(mutex_);
  while (read_.empty() || !read_.front().has_value()) {
    if (can_claim()) {
      read_one(lock);
      continue;
    }
    listing_waits_ = true;
    const bool timed_out = was_read_.wait_for(lock, waiting_interval) == std::cv_status::timeout;
    listing_waits_ = false;
    if (timed_out && (read_.empty() || !read_.front().has_value())) {
      lock.unlock();
      waiting();
      lock.lock();
    }
  }
  fsys::FolderContents contents = std::move(*read_.front());
  read_.pop_front();
  const std::size_t slot = delivered_++;
  lock.unlock();

  table_.accept(contents);

  lock.lock();
  publish_new_slots();
  const bool wake = helpers_waiting_ > 0 && can_claim();
  lock.unlock();
  if (wake) can_read_.notify_all();
  return FolderRead{&table_.folder(slot), slot, std::move(contents)};
}

}  // namespace tolvane::scan
