// A copy goes only while it is still the run's copy; a replaced file comes
// back only onto a free name.  A copy is deleted only where its source still
// holds the same content: otherwise it may be the last copy of the file.
#include "undo/undo_run.h"

#include <algorithm>
#include <set>

#include "fsys/path_separator.h"

namespace tolvane::undo {
namespace {

class Undoer {
 public:
  Undoer(fsys::Restorer& restorer, bool dry_run, std::int64_t started, UndoReport& report)
      : restorer_(restorer), dry_run_(dry_run), started_(started), report_(report) {}

  void undo_copy(const journal::RecordedCopy& copy) {
    const std::optional<fsys::FileIdentity> now = restorer_.identify(copy.target);
    if (now && !fsys::same_file_as_recorded(*now, copy.identity)) {
      // Not the run's copy any more: the user's now, and the replaced file
      // stays where it is, for the name is taken.
      add(UndoStep::changed_copy, copy.target);
      if (copy.kept.where != fsys::KeptIn::nowhere) {
        add(UndoStep::kept_elsewhere, copy.target, kept_at(copy.kept));
      }
      return;
    }
    if (now && !remove_copy(copy)) return;
    fsys::KeptFile kept = copy.kept;
    // A run cut short between trashing a file and saying where left only
    // the line before the naming: the trash's own record tells.
    if (!copy.named && kept.where == fsys::KeptIn::nowhere) {
      kept = restorer_.find_replaced(copy.target, started_).value_or(kept);
    }
    if (kept.where == fsys::KeptIn::nowhere) return;
    if (kept.where == fsys::KeptIn::recycle_bin) {
      add(UndoStep::kept_elsewhere, copy.target, kept_at(kept));
      return;
    }
    const std::error_code error = dry_run_ ? std::error_code() : restorer_.put_back(kept, copy.target);
    if (error) {
      add(UndoStep::failed, copy.target, kept_at(kept), error);
    } else {
      add(UndoStep::put_back, copy.target, kept.file);
      if (kept.where == fsys::KeptIn::set_aside) note_set_aside_folders(kept.file);
    }
  }

  // The folders of the set-aside folder that files came back from, innermost
  // first (a longer path of one branch sorts after its parent), removed
  // once empty: the run made them for its replaced files.
  void remove_set_aside_folders() {
    if (dry_run_) return;
    for (auto folder = set_aside_folders_.rbegin(); folder != set_aside_folders_.rend(); ++folder) {
      restorer_.remove_empty_folder(*folder);
    }
  }

  void remove_folder(const std::string& folder) {
    if (dry_run_) {
      // Empty once the run's copies are gone: the plan counts it when no
      // copy is left in it.
      for (const UndoAction& action : report_.actions) {
        if ((action.step == UndoStep::changed_copy || action.step == UndoStep::failed) &&
            action.path.starts_with(folder)) {
          return;
        }
      }
      add(UndoStep::remove_folder, folder);
      return;
    }
    // A folder that holds anything now (a changed copy, a file of the
    // user's) stays, and says nothing: what is in it is named already or
    // was never the run's.
    if (!restorer_.remove_empty_folder(folder)) add(UndoStep::remove_folder, folder);
  }

 private:
  bool remove_copy(const journal::RecordedCopy& copy) {
    const std::optional<fsys::FileIdentity> source = restorer_.identify(copy.source);
    const bool source_kept = source && fsys::same_content_as_recorded(*source, copy.identity);
    std::error_code error;
    if (!dry_run_) {
      fsys::KeptFile trashed;
      error = source_kept ? restorer_.remove_file(copy.target) : restorer_.trash(copy.target, trashed);
    }
    if (error) {
      add(UndoStep::failed, copy.target, {}, error);
      if (copy.kept.where != fsys::KeptIn::nowhere) {
        add(UndoStep::kept_elsewhere, copy.target, kept_at(copy.kept));
      }
      return false;
    }
    add(source_kept ? UndoStep::delete_copy : UndoStep::trash_copy, copy.target);
    return true;
  }

  static std::string kept_at(const fsys::KeptFile& kept) { return kept.file; }

  // Every folder above `file` inside the destination.
  void note_set_aside_folders(const std::string& file) {
    const std::string& root = report_.destination;
    if (root.empty() || !file.starts_with(root)) return;
    for (std::size_t cut = file.find(fsys::separator, root.size()); cut != std::string::npos;
         cut = file.find(fsys::separator, cut + 1)) {
      set_aside_folders_.insert(file.substr(0, cut + 1));
    }
  }

  void add(UndoStep step, const std::string& path, std::string from = {},
           std::error_code error = {}) {
    report_.actions.push_back({step, path, std::move(from), error});
  }

  fsys::Restorer& restorer_;
  const bool dry_run_;
  const std::int64_t started_;
  UndoReport& report_;
  std::set<std::string> set_aside_folders_;
};

}  // namespace

std::size_t UndoReport::count(UndoStep step) const {
  return static_cast<std::size_t>(std::count_if(
      actions.begin(), actions.end(), [step](const UndoAction& action) { return action.step == step; }));
}

std::size_t UndoReport::left() const {
  return static_cast<std::size_t>(std::count_if(
      actions.begin(), actions.end(), [](const UndoAction& action) { return left_as_is(action.step); }));
}

UndoReport undo_run(const journal::RecordedRun& run, fsys::Restorer& restorer, bool dry_run) {
  UndoReport report;
  report.destination = run.destination;
  Undoer undoer(restorer, dry_run, run.started, report);
  for (auto copy = run.copies.rbegin(); copy != run.copies.rend(); ++copy) undoer.undo_copy(*copy);
  undoer.remove_set_aside_folders();
  for (auto folder = run.folders.rbegin(); folder != run.folders.rend(); ++folder) {
    undoer.remove_folder(*folder);
  }
  return report;
}

}  // namespace tolvane::undo
