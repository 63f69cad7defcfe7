// The order in which planned copies go to the copy threads.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "copy/copy_job.h"

namespace tolvane::copy {

// Reorders `jobs` so that those whose targets share a folder follow each
// other: folders in the order they first appear, each folder's jobs in the
// order they came.
void group_by_target_folder(std::vector<CopyJob>& jobs);

// Where the listing's folders take turns going to the same target folders
// (many folders of one name, each copied into one), the run holds back a
// window of planned jobs and hands them out grouped by target folder.  A
// batch then names its copies into one or two folders instead of all of
// them, and its flush writes those folders' changed blocks once, instead of
// nearly every block of every folder.  Elsewhere each window is a handful
// of jobs, handed out as planned.
class FolderWindows {
 public:
  // A serial run hands out each job as planned.
  explicit FolderWindows(bool grouping, std::size_t smallest)
      : grouping_(grouping), smallest_(grouping ? smallest : 1), size_(smallest_) {}

  // How many planned jobs make the window.
  std::size_t size() const { return size_; }
  // Learns of a job as it is planned.
  void planned(const CopyJob& job);
  // Groups the window's jobs where its folders took turns, and says so; the
  // window grows while they do, up to `largest`, and is the smallest again
  // once they no longer do.
  bool close(std::vector<CopyJob>& jobs);

  static constexpr std::size_t largest = 262144;

 private:
  bool grouping_;
  std::size_t smallest_;
  std::size_t size_;
  std::string current_;  // the target folder of the last job planned
  // Hashes of the target folders planned before it: a million entries in
  // folders of their own keep a hundred thousand numbers, not paths.  Two
  // folders sharing a hash at worst group a window that needed none.
  std::unordered_set<std::size_t> left_;
  bool returned_ = false;  // a job of this window went back to a folder left before
};

}  // namespace tolvane::copy
