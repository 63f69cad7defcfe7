// Reading the folders of a walk on several threads at once while the
// listing takes them in table order: the disk and both cores stay busy, and
// the list comes out exactly as a walk that reads one folder at a time makes it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fsys/file_system.h"
#include "scan/folder_table.h"

namespace tolvane::scan {

// One folder of the walk, read and taken into the table, in table order.
struct FolderRead {
  const std::string* folder;  // stays in place in the table
  std::size_t slot;
  fsys::FolderContents contents;
};

class FolderReadAhead {
 public:
  // Reads the folders of `table` through `file_system` with `helpers`
  // threads besides the one that calls next(); with helpers, read_folder
  // must be callable from any thread.  Without, each folder is read by
  // next() just before it is handed over.  The table is touched by the
  // thread that calls next() only.  At most
  // `ahead` folders are read ahead of the listing, so a walk of huge folders
  // holds only a few of them.
  FolderReadAhead(FolderTable& table, fsys::FileSystem& file_system, std::size_t helpers,
                  std::size_t ahead = 64);
  // Lets the helpers finish the folders they are reading, and waits for them.
  ~FolderReadAhead();
  FolderReadAhead(const FolderReadAhead&) = delete;
  FolderReadAhead& operator=(const FolderReadAhead&) = delete;

  // The next folder in table order, or nothing once every slot is read.
  // Rather than wait for it, the calling thread reads a later folder itself;
  // when there is none to read, `waiting` runs every few milliseconds while
  // it waits, so a window can keep answering during a slow read.
  std::optional<FolderRead> next(const std::function<void()>& waiting);

 private:
  struct Unread {
    const std::string* folder;
    bool holds_nothing;
  };

  bool can_claim() const { return !unread_.empty() && claimed_ - delivered_ < ahead_; }
  // Claims the first unread slot and reads it with the lock released.
  void read_one(std::unique_lock<std::mutex>& lock);
  void publish_new_slots();
  void help();

  FolderTable& table_;
  fsys::FileSystem& file_system_;
  const std::size_t ahead_;

  std::mutex mutex_;
  std::condition_variable can_read_;  // to the helpers
  std::condition_variable was_read_;  // to the listing
  std::deque<Unread> unread_;         // slots from claimed_ on that may be read
  std::deque<std::optional<fsys::FolderContents>> read_;  // slots delivered_ to claimed_
  std::size_t claimed_ = 0;
  std::size_t delivered_ = 0;
  std::size_t published_ = 0;  // slots of the table handed to unread_
  std::size_t helpers_waiting_ = 0;
  bool listing_waits_ = false;
  bool stopping_ = false;
  std::vector<std::thread> helpers_;  // last: started once everything above exists
};

// How many helper threads a walk uses on this machine.
std::size_t default_read_helpers();

}  // namespace tolvane::scan
