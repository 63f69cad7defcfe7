// A copy goes only while it is still the run's copy; a replaced file comes
// back only onto a free name.  A copy is deleted only where its source still
// holds the same content: otherwise it may be the last copy of the file.
// A copy the journal knows only from before its naming (a kill or a power
// cut came first) may never have taken its name: what stands there then is
// the user's, untouched, unless the run moved a file aside since it began.
#include "undo/undo_run.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_map>

#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/temporary_names.h"

namespace tolvane::undo {
namespace {

class Undoer {
 public:
  Undoer(fsys::Restorer& restorer, bool dry_run, const journal::RecordedRun& run,
         UndoReport& report)
      : restorer_(restorer),
        dry_run_(dry_run),
        started_(run.started),
        writer_(run.writer),
        report_(report) {}

  void undo_copy(const journal::RecordedCopy& copy) {
    std::optional<fsys::FileIdentity> now = restorer_.identify(copy.target);
    const bool mine = now && fsys::same_file_as_recorded(*now, copy.identity);
    // The empty placeholder by which a volume that cannot rename without
    // replacing holds a name for an instant, left there by a kill, dated or
    // not yet: the run's own (or an undo's), with nothing in it.
    if (now && !mine && (fsys::is_name_reservation(*now) || killed_before_dating(copy, *now))) {
      if (!dry_run_ && restorer_.remove_file(copy.target)) return;
      now.reset();
    }
    if (!copy.named) {
      undo_unnamed(copy, now, mine);
      return;
    }
    if (now && !mine) {
      // Not the run's copy any more: the user's now, and the replaced file
      // stays where it is, for the name is taken.  Unless that file is no
      // longer kept: an earlier undo put it back here.
      if (copy.kept.where != fsys::KeptIn::recycle_bin &&
          copy.kept.where != fsys::KeptIn::nowhere && !kept_exists(copy.kept)) {
        return;
      }
      add(UndoStep::changed_copy, copy.target);
      if (copy.kept.where != fsys::KeptIn::nowhere) {
        add(UndoStep::kept_elsewhere, copy.target, kept_at(copy.kept));
      }
      return;
    }
    if (mine && !remove_copy(copy)) return;
    put_back(copy.kept, copy.target);
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

  // What a kill left half-written in the run's folders, before they are
  // removed: the run's own temporaries, never anyone else's.
  void remove_temporaries(const journal::RecordedRun& run) {
    if (!dry_run_) journal::remove_run_temporaries(run, restorer_);
  }

  void remove_folder(const std::string& folder) {
    if (dry_run_) {
      if (empty_once_undone(folder)) {
        add(UndoStep::remove_folder, folder);
      } else {
        kept_folders_.push_back(with_separator(folder));
      }
      return;
    }
    // A folder that holds anything now (a changed copy, a file of the
    // user's) stays, and says nothing: what is in it is named already or
    // was never the run's.  One an earlier undo removed is gone already.
    if (!restorer_.remove_empty_folder(folder)) add(UndoStep::remove_folder, folder);
  }

 private:
  // A target known only from the line before its naming.
  void undo_unnamed(const journal::RecordedCopy& copy, std::optional<fsys::FileIdentity> now,
                    bool mine) {
    if (mine && !remove_copy(copy)) return;
    // A run cut short between keeping a file and saying where left only
    // this line: the trash's own record tells.  One cut short before the
    // file went in left only a record.
    const std::optional<fsys::KeptFile> kept = restorer_.find_replaced(copy.target, started_);
    if (!dry_run_) restorer_.forget_unfinished_keeping(copy.target, started_);
    if (!kept) return;  // nothing was moved aside: the file there is untouched
    if (mine || !now) {
      put_back(*kept, copy.target);
      return;
    }
    // The run gave the file a second name in the trash and was cut short
    // before its copy took the first: the file never left, and its name in
    // the trash goes.
    const std::optional<fsys::FileIdentity> trashed = restorer_.identify(kept->file);
    if (trashed && !now->file_id.empty() && trashed->file_id == now->file_id) {
      if (!dry_run_) {
        restorer_.remove_file(kept->file);
        if (!kept->record.empty()) restorer_.remove_file(kept->record);
      }
      return;
    }
    // Moved aside, and its name taken since by a file of the user's.
    add(UndoStep::kept_elsewhere, copy.target, kept_at(*kept));
  }

  bool remove_copy(const journal::RecordedCopy& copy) {
    const std::optional<fsys::FileIdentity> source = restorer_.identify(copy.source);
    const bool source_kept = source && fsys::same_content_as_recorded(*source, copy.identity);
    std::error_code error;
    if (!dry_run_) {
      fsys::KeptFile trashed;
      error =
          source_kept ? restorer_.remove_file(copy.target) : restorer_.trash(copy.target, trashed);
    }
    if (error) {
      add(UndoStep::failed, copy.target, {}, error);
      if (copy.kept.where != fsys::KeptIn::nowhere) {
        add(UndoStep::kept_elsewhere, copy.target, kept_at(copy.kept));
      }
      return false;
    }
    add(source_kept ? UndoStep::delete_copy : UndoStep::trash_copy, copy.target);
    // A plan weighs each folder it would remove by the copies it takes away.
    if (dry_run_) count_removed_in(copy.target);
    return true;
  }

  // Puts the file the copy at `target` replaced back at its name, once the
  // copy is gone.
  void put_back(const fsys::KeptFile& kept, const std::string& target) {
    if (kept.where == fsys::KeptIn::nowhere) return;
    if (kept.where == fsys::KeptIn::recycle_bin) {
      add(UndoStep::kept_elsewhere, target, kept_at(kept));
      return;
    }
    if (!kept_exists(kept)) {
      // Emptied from the trash, or restored by the user: nothing to put back.
      add(UndoStep::replaced_missing, target, kept_at(kept));
      return;
    }
    const std::error_code error = dry_run_ ? std::error_code() : restorer_.put_back(kept, target);
    if (error) {
      add(UndoStep::failed, target, kept_at(kept), error);
      return;
    }
    add(UndoStep::put_back, target, kept.file);
    if (kept.where == fsys::KeptIn::set_aside) note_set_aside_folders(kept.file);
  }

  // An empty file at a name the journal knows only from before its naming,
  // made since the run began, beside the run's own half-named copy of the
  // very source: a reservation the run was killed before it could date.
  // A file of the user's is not so paired with a copy of the run's.
  bool killed_before_dating(const journal::RecordedCopy& copy, const fsys::FileIdentity& now) {
    if (copy.named || !writer_ || now.size != 0 || now.modified < started_ - 1'000'000'000) {
      return false;
    }
    const std::string folder(fsys::folder_part(copy.target));
    for (const std::string& name : restorer_.file_names(folder)) {
      const std::optional<fsys::TemporaryName> temporary = fsys::parse_temporary_name(name);
      if (!temporary || !fsys::written_by(*temporary, *writer_)) continue;
      const std::optional<fsys::FileIdentity> left = restorer_.identify(folder + name);
      if (left && fsys::same_content_as_recorded(*left, copy.identity)) return true;
    }
    return false;
  }

  bool kept_exists(const fsys::KeptFile& kept) {
    return !kept.file.empty() && restorer_.identify(kept.file).has_value();
  }

  static std::string kept_at(const fsys::KeptFile& kept) { return kept.file; }

  static std::string with_separator(std::string folder) {
    if (!folder.ends_with(fsys::separator)) folder += fsys::separator;
    return folder;
  }

  // For a plan: one more copy taken away from the folder of `target`.
  // Copies come folder by folder.
  void count_removed_in(const std::string& target) {
    const std::string_view folder = fsys::folder_part(target);
    if (last_removed_in_ == removed_in_.end() || last_removed_in_->first != folder) {
      last_removed_in_ = removed_in_.try_emplace(std::string(folder), 0).first;
    }
    ++last_removed_in_->second;
  }

  // For a plan: whether `folder` would be empty once the planned copies are
  // gone: it holds no file but them (and temporaries), and no folder below
  // it that stays.
  bool empty_once_undone(const std::string& folder) {
    const std::string path = with_separator(folder);
    for (const std::string& kept : kept_folders_) {
      if (kept.starts_with(path)) return false;
    }
    std::size_t files = 0;
    for (const std::string& name : restorer_.file_names(path)) {
      if (!fsys::parse_temporary_name(name)) ++files;
    }
    const auto removed = removed_in_.find(path);
    return files == (removed == removed_in_.end() ? 0 : removed->second);
  }

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
  const std::optional<fsys::TemporaryWriter> writer_;
  UndoReport& report_;
  std::set<std::string> set_aside_folders_;
  // How many copies a plan takes away from each folder, by its path.
  std::unordered_map<std::string, std::size_t> removed_in_;
  std::unordered_map<std::string, std::size_t>::iterator last_removed_in_ = removed_in_.end();
  std::vector<std::string> kept_folders_;  // folders a plan leaves, with their separator
};

}  // namespace

std::size_t UndoReport::count(UndoStep step) const {
  return static_cast<std::size_t>(
      std::count_if(actions.begin(), actions.end(),
                    [step](const UndoAction& action) { return action.step == step; }));
}

std::size_t UndoReport::left() const {
  return static_cast<std::size_t>(
      std::count_if(actions.begin(), actions.end(),
                    [](const UndoAction& action) { return left_as_is(action.step); }));
}

UndoReport undo_run(const journal::RecordedRun& run, fsys::Restorer& restorer, bool dry_run,
                    const UndoProgress& progress) {
  UndoReport report;
  report.destination = run.destination;
  Undoer undoer(restorer, dry_run, run, report);
  const std::size_t total = run.copies.size() + run.folders.size();
  std::size_t done = 0;
  const auto step_done = [&] {
    if (progress) progress(++done, total);
  };
  if (progress) progress(0, total);
  for (auto copy = run.copies.rbegin(); copy != run.copies.rend(); ++copy) {
    undoer.undo_copy(*copy);
    step_done();
  }
  undoer.remove_set_aside_folders();
  undoer.remove_temporaries(run);
  for (auto folder = run.folders.rbegin(); folder != run.folders.rend(); ++folder) {
    undoer.remove_folder(*folder);
    step_done();
  }
  return report;
}

}  // namespace tolvane::undo
