// The folder table of one scan: every folder of the tree in breadth-first
// order.  Each folder is read from the disk once, and its contents go
// straight to the listing, so no file name outlives its folder's turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
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

// What the walk does with a folder whose name holds a dot.
enum class DottedFolders : std::uint8_t {
  left_out,  // the window's rule: never visited, but counted and named
  walked,    // the command line's --dot-folders: visited like any other
};

class FolderTable {
 public:
  // A table holding only `folder`, a folder path ending in the separator.
  explicit FolderTable(std::string folder, DottedFolders dotted = DottedFolders::left_out);

  // True once every slot has been read.
  bool walked() const { return head_ == slots_.size(); }
  // The slot whose folder is read next.
  std::size_t head() const { return head_; }

  // A folder is read in two halves, so that a walk can read folders on
  // other threads: read() touches nothing of the table but the slot's folder
  // text, which stays in place; accept() takes slot head()'s contents into
  // the table and moves on to the next slot.
  //
  // A name without a dot is queued as a folder whatever it is; a name with
  // one never is, so "." and "..", photos.old and everything below it are
  // not visited (unless the table walks dotted folders: then a folder's name
  // is queued whatever it holds, a file's still only without a dot).  A
  // queued name that its folder showed to be a file is not read: it holds
  // nothing.  A start folder that does not exist is no unreadable folder:
  // the walk just finds nothing there.
  static fsys::FolderContents read(const std::string& folder, bool holds_nothing,
                                   fsys::FileSystem& file_system);
  bool holds_nothing(std::size_t index) const { return slots_[index].known_file; }
  void accept(const fsys::FolderContents& contents);

  std::size_t size() const { return slots_.size(); }
  // A deque: the text stays in place while later slots are queued.
  const std::string& folder(std::size_t index) const { return slots_[index].folder; }

  // Every folder that could not be read is counted; the first few are kept
  // with their errors (a whole drive of them must not fill the memory).
  static constexpr std::size_t unreadable_kept = 5;
  std::size_t unreadable_folders() const { return unreadable_; }
  const std::vector<UnreadableFolder>& first_unreadable() const { return first_unreadable_; }

  // The folders the dot rule kept out of the walk (only those the listing
  // showed to be folders: a.jpg is no folder left out), counted and the
  // first few kept, as the unreadable ones; their contents are not counted.
  std::size_t left_out_folders() const { return left_out_; }
  const std::vector<std::string>& first_left_out() const { return first_left_out_; }

  // True when the start folder's read found no such folder.
  bool start_missing() const { return start_missing_; }

 private:
  struct Slot {
    std::string folder;  // a folder path ending in the separator
    bool known_file = false;
  };

  void note_unreadable(const std::string& folder, std::error_code error);
  void note_left_out(const std::string& parent, const std::string& name);

  std::deque<Slot> slots_;
  DottedFolders dotted_;
  std::size_t head_ = 0;
  std::size_t unreadable_ = 0;
  std::vector<UnreadableFolder> first_unreadable_;
  std::size_t left_out_ = 0;
  std::vector<std::string> first_left_out_;
  bool start_missing_ = false;
};

}  // namespace tolvane::scan
