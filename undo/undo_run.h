// Undoing a copy run from its journal: its copies taken away, the files
// they replaced put back, the temporaries a kill left removed, the folders
// it made removed once empty.  Nothing that changed since the run is
// touched; what was left says why, as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/restorer.h"
#include "journal/recorded_run.h"

namespace tolvane::undo {

enum class UndoStep : std::uint8_t {
  delete_copy,    // the copy deleted: its source is still there, unchanged
  trash_copy,     // the copy moved to the trash: its source is gone or changed
  put_back,       // a replaced file back at its name
  remove_folder,  // a folder the run made, empty again, removed
  // Left as they are:
  changed_copy,      // the file at the copy's name changed since the run
  kept_elsewhere,    // a replaced file that stays where it is (`from`): the
                     // Recycle Bin, or its name is taken by a changed file
  replaced_missing,  // a replaced file no longer where the run kept it (`from`)
  failed,            // the step was refused (`error`)
};

// True for the steps that leave a file as it is.
constexpr bool left_as_is(UndoStep step) {
  return step == UndoStep::changed_copy || step == UndoStep::kept_elsewhere ||
         step == UndoStep::replaced_missing || step == UndoStep::failed;
}

struct UndoAction {
  UndoStep step;
  std::string path;  // the copy, the replaced file's name, or the folder
  std::string from;  // where a replaced file is (put_back, kept_elsewhere, replaced_missing)
  std::error_code error;
};

struct UndoReport {
  std::string destination;  // absolute, ending in the separator
  std::vector<UndoAction> actions;

  std::size_t count(UndoStep step) const;
  // Copies taken away: deleted or moved to the trash.
  std::size_t copies_removed() const {
    return count(UndoStep::delete_copy) + count(UndoStep::trash_copy);
  }
  // Files left as they are, and why; none when everything was put back.
  std::size_t left() const;
  // A step was refused: undoing the run again may finish what this did not.
  bool can_retry() const { return count(UndoStep::failed) > 0; }
};

// Told after each step of an undo: `done` of `total` (copies and folders).
using UndoProgress = std::function<void(std::size_t done, std::size_t total)>;

// Undoes `run`; with `dry_run`, says what it would do and touches nothing.
// Copies are taken in the reverse of their naming, folders innermost first.
// What an earlier undo of the same run did already is neither done again
// nor reported, so that an undo cut short or refused half-way can be run
// again to finish the job.
UndoReport undo_run(const journal::RecordedRun& run, fsys::Restorer& restorer, bool dry_run,
                    const UndoProgress& progress = {});

}  // namespace tolvane::undo
