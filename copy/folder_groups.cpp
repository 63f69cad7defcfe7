// Planned copies grouped by their targets' folders, keeping their order
// within each folder.
#include "copy/folder_groups.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "fsys/path_split.h"

namespace tolvane::copy {

void group_by_target_folder(std::vector<CopyJob>& jobs) {
  if (jobs.size() < 2) return;
  std::unordered_map<std::string_view, std::size_t> group_of;
  std::vector<std::size_t> group(jobs.size());
  std::vector<std::size_t> start;  // per group: its size, then where it starts
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    const auto [at, added] = group_of.try_emplace(fsys::folder_part(jobs[k].target), start.size());
    if (added) start.push_back(0);
    group[k] = at->second;
    ++start[group[k]];
  }
  std::size_t next = 0;
  for (std::size_t& first : start) first = std::exchange(next, next + first);
  // Where each job goes, then the jobs moved there in place, cycle by
  // cycle: a second window of jobs would cost more than the window's
  // paths do.
  std::vector<std::size_t>& place = group;
  for (std::size_t& k : place) k = start[k]++;
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    while (place[k] != k) {
      std::swap(jobs[k], jobs[place[k]]);
      std::swap(place[k], place[place[k]]);
    }
  }
}

void FolderWindows::planned(const CopyJob& job) {
  if (!grouping_) return;
  const std::string_view folder = fsys::folder_part(job.target);
  // Only where the folder changes: once per listed folder as a rule.
  if (folder == current_) return;
  const std::hash<std::string_view> hash;
  left_.insert(hash(current_));
  current_.assign(folder);
  returned_ = returned_ || left_.contains(hash(current_));
}

bool FolderWindows::close(std::vector<CopyJob>& jobs) {
  const bool took_turns = std::exchange(returned_, false);
  if (took_turns) group_by_target_folder(jobs);
  size_ = took_turns ? std::min(size_ * 4, largest) : smallest_;
  return took_turns;
}

}  // namespace tolvane::copy
