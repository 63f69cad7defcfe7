// The folder table of one scan: every folder of the tree in breadth-first
// order, each with the names of its ordinary files as read by the walk, so
// that the listing never reads a folder from the disk a second time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::scan {

// A folder the walk could not read, and why.
struct UnreadableFolder {
  std::string folder;
  std::error_code error;

  bool operator==(const UnreadableFolder&) const = default;
};

class FolderTable {
 public:
  struct Slot {
    std::string folder;  // a folder path ending in the separator
    std::size_t first_name = 0;
    std::size_t name_count = 0;
  };

  // Walks the tree below `folder` breadth first.  A name without a dot is
  // queued as a folder whatever it is; a name with one never is, so "." and
  // "..", photos.old and everything below it are not visited.  A queued name
  // that the listing showed to be a file is not read again: it holds nothing.
  // A start folder that does not exist is no unreadable folder: the walk
  // just finds nothing there.
  static FolderTable walk(const std::string& folder, fsys::FileSystem& file_system);

  std::size_t size() const { return slots_.size(); }
  const Slot& slot(std::size_t index) const { return slots_[index]; }
  std::string_view file_name(std::size_t index) const;
  // Every folder that could not be read is counted; the first few are kept
  // with their errors (a whole drive of them must not fill the memory).
  static constexpr std::size_t unreadable_kept = 5;
  std::size_t unreadable_folders() const { return unreadable_; }
  const std::vector<UnreadableFolder>& first_unreadable() const { return first_unreadable_; }

 private:
  void keep_file_name(std::string_view name);
  void note_unreadable(const std::string& folder, std::error_code error);

  std::vector<Slot> slots_;
  std::string name_bytes_;              // every kept file name back to back
  std::vector<std::size_t> name_ends_;  // where each name ends in name_bytes_
  std::size_t unreadable_ = 0;
  std::vector<UnreadableFolder> first_unreadable_;
};

}  // namespace tolvane::scan
