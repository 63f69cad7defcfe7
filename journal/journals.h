// This user's run journals: one file per copy run in the journal folder,
// kept while undo or a re-run may ask about them.  The one state the
// program keeps between runs.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "fsys/restorer.h"
#include "journal/recorded_run.h"
#include "journal/run_journal.h"

namespace tolvane::journal {

// How long and how much the journals keep.  A journal undo or a re-run may
// need (each destination's last run, and the earlier runs into it that were
// not undone, whose copies a re-run into a destination inside its source
// leaves out) is kept for `needed_for`; once the journals together take more
// than `kept_bytes`, the oldest of those go first.  A journal nothing needs
// any more (an undone run that a later run into its destination followed, a
// run that wrote nothing) goes once it is older than `unneeded_for`.
struct JournalLimits {
  std::chrono::hours needed_for{24 * 365};
  std::chrono::hours unneeded_for{24 * 30};
  std::uint64_t kept_bytes = std::uint64_t{1} << 30;
};

class Journals {
 public:
  // `folder` ends in the separator (fsys::journal_folder()); an empty one
  // keeps no journal at all.
  Journals(std::string folder, fsys::Restorer& restorer, JournalLimits limits = {});

  // The journal of a new run into `root` (a folder path ending in the
  // separator, as the run names it), its header on the disk; the journals
  // the limits no longer keep go first.  Nothing, with `error` saying why,
  // when no journal can be written: the run can then not be undone.
  std::unique_ptr<RunJournal> start_run(const std::string& root, std::error_code& error);

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
  // What a journal's first lines and its size tell of it.
  struct JournalHead {
    std::string name;
    std::string destination;  // its path key
    bool wrote = false;       // it made a folder or named a copy
    bool undone = false;
    std::uint64_t bytes = 0;
    std::int64_t started = 0;  // ns since 1970
  };

  // Journal names, newest first; `all`, when given, gets every name in the
  // folder.
  std::vector<std::string> journal_names(std::vector<std::string>* all = nullptr);
  // What the first lines of the journal `name` tell of it, with its undone
  // mark among `marks` (the folder's file names); not its size.  Nothing
  // when it cannot be read.
  std::optional<JournalHead> head_of(const std::string& name,
                                     const std::unordered_set<std::string>& marks);
  // The heads of the journals `names` (newest first) with their sizes, the
  // undone marks among `all`.
  std::vector<JournalHead> heads(const std::vector<std::string>& names,
                                 const std::vector<std::string>& all);
  // The names of those of `journals` whose run went into `destination`.
  static std::vector<std::string> runs_into(const std::vector<JournalHead>& journals,
                                            const std::string& destination);
  // Removes the journals the limits no longer keep from `journals` (heads,
  // newest first) and from the disk.
  void prune(std::vector<JournalHead>& journals);
  // The head of the last journal into `root` that wrote anything or was
  // undone: what last_run_into and can_undo both judge by.
  std::optional<JournalHead> last_head_into(const std::string& root);
  // The copies that the runs named in `names`, all into one destination,
  // made there and did not take back.
  EarlierCopies earlier_copies(const std::vector<std::string>& names);

  std::string folder_;
  fsys::Restorer& restorer_;
  const JournalLimits limits_;
  bool read_only_ = false;
};

// `root` (ending in the separator) as journals name a destination.
std::string absolute_root(const std::string& root);

}  // namespace tolvane::journal
