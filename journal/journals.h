// This user's run journals: one file per copy run in the journal folder,
// the last `kept_runs` kept.  The one state the program keeps between runs.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "fsys/restorer.h"
#include "journal/recorded_run.h"
#include "journal/run_journal.h"

namespace tolvane::journal {

inline constexpr std::size_t kept_runs = 40;

class Journals {
 public:
  // `folder` ends in the separator (fsys::journal_folder()); an empty one
  // keeps no journal at all.
  Journals(std::string folder, fsys::Restorer& restorer);

  // The journal of a new run into `root` (a folder path ending in the
  // separator, as the run names it), its header on the disk; the oldest
  // journals beyond the last kept_runs go.  Nothing when no journal can be
  // written: the run goes on without one.
  std::unique_ptr<RunJournal> start_run(const std::string& root);

  // From now on a run's journal only reads the earlier ones, to leave out
  // their copies as a real run would: it writes and prunes nothing (a plan).
  void set_read_only() { read_only_ = true; }

  // The last run into `root` that wrote anything, undone or not; nothing
  // when there is none.
  std::optional<RecordedRun> last_run_into(const std::string& root);

  // Whether last_run_into(root) would give a run not undone yet, told from
  // the journals' first lines and the marks beside them, never from a whole
  // journal: the window asks at each change of its destination and after
  // each run, and the journal of a million copies is hundreds of megabytes.
  bool can_undo(const std::string& root);

  // Marks `run` undone, so that undoing it again finds nothing to undo: a
  // line at the journal's end, and an empty file beside it for can_undo.
  std::error_code mark_undone(const RecordedRun& run);

  fsys::Restorer& restorer() { return restorer_; }

 private:
  // Journal names, newest first; `all`, when given, gets every name in the
  // folder.
  std::vector<std::string> journal_names(std::vector<std::string>* all = nullptr);
  // The copies that the runs named in `names` made into `destination` and
  // did not take back.
  EarlierCopies earlier_copies(const std::vector<std::string>& names,
                               const std::string& destination);

  std::string folder_;
  fsys::Restorer& restorer_;
  bool read_only_ = false;
};

// `root` (ending in the separator) as journals name a destination.
std::string absolute_root(const std::string& root);

}  // namespace tolvane::journal
