// The part of a copy run that has an order: per entry, in list order, its
// folder (made before any copy into it is handed out), its running number,
// its target's name and the target's claim in the run's registry.  What is
// left is the copying of the data, which may happen on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "copy/copy_job.h"
#include "copy/copy_run.h"
#include "copy/run_recorder.h"
#include "copy/target_registry.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

class EntryPlanner {
 public:
  // Marks every listed source of `request` as taken.  Entries that
  // `recorder` (may be null) knows for an earlier run's copies are left
  // out, and are no source this run must keep from writing to.  `request`
  // must outlive the planner.
  EntryPlanner(const CopyRequest& request, fsys::FileSystem& file_system,
               RunRecorder* recorder = nullptr);

  std::size_t entries() const { return entries_; }
  // True when entry `index` is an earlier run's copy, left out of this run.
  bool left_out(std::size_t index) const { return !left_out_.empty() && left_out_[index]; }

  // The first half of entry `index` (the next in list order): makes its
  // folder when missing, and numbers it.
  void begin(std::size_t index);

  // The second half: claims the target.  True with `job` set when the data
  // is to be copied; false with `failure` set when the entry's folder failed
  // or its name was refused, and nothing may be written for it.
  bool finish(CopyJob& job, CopyFailure& failure);

  // Gives `job`, whose target the file system found held by another copy of
  // this run under a name the volume takes for the same, the next free name
  // its naming rules allow.
  void renumber(CopyJob& job);

 private:
  // The error of creating `folder`, or none when it exists now; the disk
  // is asked once per folder per run however many entries go into it.
  std::error_code ensure_folder(const std::string& folder);

  const CopyRequest& request_;
  const std::string& destination_;
  fsys::FileSystem& file_system_;
  RunRecorder* recorder_;
  std::size_t entries_;
  std::vector<bool> left_out_;  // empty when nothing is
  TargetRegistry targets_;
  std::unordered_map<std::string, std::error_code> folder_outcome_;  // by path key

  // The entry between begin() and finish(), and what the next one needs.
  std::size_t index_ = 0;
  std::string source_, tag_, previous_tag_, folder_;
  std::size_t number_ = 0;
  bool folder_named_ = false;
  std::error_code folder_error_;
  bool folder_new_ = false;  // folder_ holds nothing older than the run
  // Whether numbered names of tag_ are single names (the extension is typed
  // by the user and may hold a separator or ".."); looked at again when the
  // tag changes.
  bool numbered_name_usable_ = false;
};

}  // namespace tolvane::copy
