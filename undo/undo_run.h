// Undoing a copy run from its journal: its copies taken away, the files
// they replaced put back, the folders it made removed once empty.  Nothing
// that changed since the run is touched; what was left says why, as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/restorer.h"
#include "journal/recorded_run.h"

namespace tolvane::undo {

enum class UndoStep : std::uint8_t {
  delete_copy,     // the copy deleted: its source is still there, unchanged
  trash_copy,      // the copy moved to the trash: its source is gone or changed
  put_back,        // a replaced file back at its name
  remove_folder,   // a folder the run made, empty again, removed
  // Left as they are:
  changed_copy,    // the file at the copy's name changed since the run
  kept_elsewhere,  // a replaced file that stays where it is (`from`): the
                   // Recycle Bin, or its name is taken by a changed file
  failed,          // the step was refused (`error`)
};

// True for the steps that leave a file as it is.
constexpr bool left_as_is(UndoStep step) {
  return step == UndoStep::changed_copy || step == UndoStep::kept_elsewhere ||
         step == UndoStep::failed;
}

struct UndoAction {
  UndoStep step;
  std::string path;  // the copy, the replaced file's name, or the folder
  std::string from;  // where a replaced file is (put_back, kept_elsewhere)
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
};

// Undoes `run`; with `dry_run`, says what it would do and touches nothing.
// Copies are taken in the reverse of their naming, folders innermost first.
UndoReport undo_run(const journal::RecordedRun& run, fsys::Restorer& restorer, bool dry_run);

}  // namespace tolvane::undo
