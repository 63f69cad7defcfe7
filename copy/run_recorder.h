// What a copy run tells the journal that lets it be undone, and what it
// asks of it: the folders it made, each batch's copies before they take
// their names and once named, a stop, and which listed files are copies
// an earlier run made into the same destination.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "copy/copy_job.h"
#include "fsys/file_system.h"

namespace tolvane::copy {

class RunRecorder {
 public:
  virtual ~RunRecorder() = default;

  // True when the listed file `source` is a copy an earlier run made into
  // this run's destination and is unchanged since: gathering it again
  // would copy the run's own output.  Called once per entry before the run.
  virtual bool earlier_copy(const std::string& source) = 0;

  // The source of the earlier run's copy that stands at `job`'s target now,
  // when that source is not the job's own: the copy about to be named there
  // replaces it because the numbering moved since that run.  Empty
  // otherwise.  Asked once per copy, on the run's thread before the copy
  // starts.
  virtual std::string earlier_copy_at(const CopyJob& job) = 0;

  // A folder this run made.
  virtual void folder_made(const std::string& folder) = 0;

  // The flushed copies of a batch (jobs and namings side by side; those
  // without a staged half are not named), about to take their names.  On
  // the device when it returns, so that a kill or a power cut at any later
  // instant leaves every name the run gave known.  Called on whichever
  // thread names the batch.  Every target lies in the run's destination.
  virtual void naming(const std::vector<CopyJob>& jobs,
                      const std::vector<fsys::CopyNaming>& namings) = 0;

  // The same batch once named, on the same thread and before the next
  // batch's naming(): the copies that took their names (took_name()), and
  // where the files they replaced went.
  virtual void named(const std::vector<CopyJob>& jobs,
                     const std::vector<fsys::CopyNaming>& namings) = 0;

  // A copy at its name that no batch named (a file system that copies each
  // file whole), on the run's thread.
  virtual void named_whole(const CopyResult& result) = 0;

  // The run was stopped before its end: every copy it named has been told
  // to named(), and no other took a name.  Called before run_ended().
  virtual void run_stopped() = 0;

  // After the run's last copy and its flush.
  virtual void run_ended() = 0;
};

// True when a copy that ended with `error` and `outcome` is at its name:
// copied, replaced or set aside.
inline bool took_name(std::error_code error, fsys::CopyOutcome outcome) {
  return !error && outcome != fsys::CopyOutcome::unchanged &&
         outcome != fsys::CopyOutcome::name_held_by_run;
}

}  // namespace tolvane::copy
