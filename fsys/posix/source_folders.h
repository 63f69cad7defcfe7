// The folders of the sources a run is copying from, kept open for a while so
// that each source is looked up by its own name within its folder rather
// than by its whole path: a re-run that finds its copies in place does
// little else than look at each source and target, and walking every path
// from the root was most of that.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "fsys/posix/descriptor.h"

namespace tolvane::fsys::posix {

class SourceFolders {
 public:
  SourceFolders();

  // The folder `path` (ending in its separator) opened for lookups, or null
  // when it cannot be opened.  Any thread; the copies of one folder mostly
  // follow each other, so each thread asks the shared list only when its
  // source moves to another folder.
  std::shared_ptr<const Descriptor> folder(std::string_view path);

  // Closes every folder: a run holds none open once it ends, so that the
  // volume it read from can be unmounted.
  void close_all();

 private:
  // Folders kept open at once; sources come folder by folder in list
  // order, so a few cover the copy threads.
  static constexpr std::size_t kept = 32;

  static inline std::atomic<std::uint64_t> next_id_{0};
  const std::uint64_t id_;
  std::atomic<std::uint64_t> generation_{0};  // moves on at each close_all
  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<const Descriptor>> open_;
  std::deque<std::string> order_;  // oldest first
};

}  // namespace tolvane::fsys::posix
