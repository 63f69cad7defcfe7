// The journal of one copy run as the run writes it: the copy run's
// recorder, backed by one appended file.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "copy/run_recorder.h"
#include "fsys/restorer.h"

namespace tolvane::journal {

// A copy an earlier run made: what it was when made, and of which source.
struct EarlierCopy {
  fsys::FileIdentity identity;
  std::string source;  // absolute
};

// Hashes a string by its bytes, so that a map keyed by std::string is
// searched with a std::string_view, with no string made for the search.
struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

// The copies earlier runs made into a destination, by the key of their
// absolute target path.
using EarlierCopies = std::unordered_map<std::string, EarlierCopy, StringHash, std::equal_to<>>;

class RunJournal final : public copy::RunRecorder {
 public:
  // `file` holds the journal's header already.  `root` is the destination
  // as the run names its targets, `absolute_root` as the journal keeps it.
  // `earlier` reads the copies earlier runs made there, when first needed.
  RunJournal(fsys::Restorer& restorer, std::unique_ptr<fsys::AppendedFile> file, std::string root,
             std::string absolute_root, std::function<EarlierCopies()> earlier);

  // The journal of the run before this one into the same destination, when
  // that run never reached its end: clear_unfinished_run() sweeps its folders.
  void set_unfinished_run(std::string journal) { unfinished_run_ = std::move(journal); }
  // Removes the temporaries the unfinished run before this one left in every
  // folder its journal names, not only in those this run wrote into.  Once
  // this run has copied, so that its own sweeps saw what they needed.
  void clear_unfinished_run();

  // The first failure to write the journal or put it on the device: the
  // copies named since may not be undone.  None while all went well.
  std::error_code write_error();

  bool earlier_copy(const std::string& source) override;
  std::string earlier_copy_at(const copy::CopyJob& job) override;
  void folder_made(const std::string& folder) override;
  void naming(const std::vector<copy::CopyJob>& jobs,
              const std::vector<fsys::CopyNaming>& namings) override;
  void named(const std::vector<copy::CopyJob>& jobs,
             const std::vector<fsys::CopyNaming>& namings) override;
  void named_whole(const copy::CopyResult& result) override;
  void run_stopped() override;
  void run_ended() override;

 private:
  // Under places_mutex_: `path` made absolute, its folder once per run.
  std::string absolute(const std::string& path);
  // Under places_mutex_: the folder `folder` (as the run spells it, ending
  // in the separator; empty: the working folder) made absolute, ending in
  // the separator.  Each folder is resolved once per run: copies finish out
  // of list order, and resolving a folder looks at every step of its path.
  const std::string& absolute_folder_of(std::string_view folder);
  // Appends `text`, and puts it on the device with `sync`.  After a failure
  // nothing more is written: each line of the format depends on those
  // before it, and a journal cut short is read up to its cut.
  void append(const std::string& text, bool sync);
  // Adds to lines_ the copy line of `target` from `source`, with the lines
  // that place it before it where its folders or its name's frame change;
  // returns its number.
  std::uint64_t add_copy(const std::string& target, const std::string& source,
                         const fsys::FileIdentity& identity);
  // Adds the lines that make the sources' folder `listed` (as the list
  // spells it) the folder of the copy lines that follow.
  void place_sources(std::string_view listed);

  fsys::Restorer& restorer_;
  std::unique_ptr<fsys::AppendedFile> file_;
  const std::string root_, absolute_root_;
  std::function<EarlierCopies()> read_earlier_;
  // The earlier copies, read when first needed.
  const EarlierCopies& earlier();

  // Read at the run's first question about a source in the destination or
  // about a target; a re-run reads them before its first copy (nearly a
  // third of its time at 100,000 copies).
  std::optional<EarlierCopies> earlier_;
  const std::string root_key_;        // path key of absolute_root_
  const std::string typed_root_key_;  // and of root_
  std::string unfinished_run_;
  std::error_code write_error_;
  std::mutex mutex_;  // the file and its lines: the naming thread and the run's thread
  // The earlier copies and the folder cache of absolute(), which the run's
  // thread asks of for every entry: never held across a write or a sync.
  std::mutex places_mutex_;
  // Each folder absolute_folder_of() resolved, as spelled and resolved.
  std::unordered_map<std::string, std::string, StringHash, std::equal_to<>> absolute_folders_;
  // The target asked of last, made absolute: kept for its memory.
  std::string asked_target_;

  // Where the copy lines written so far left the places of the next one.
  bool placed_ = false;      // no copy line yet: the next one places all
  std::string source_root_;  // absolute, ending in the separator, or empty
  std::string listed_from_;  // the sources' folder as the list spells it
  std::string into_;         // the copies' folder below the destination
  std::string before_, after_;
  std::uint64_t copies_ = 0;  // copy lines written
  // The number of each copy line of the batch being named, in batch order;
  // none for a job that has none.
  std::vector<std::uint64_t> batch_numbers_;
  std::string lines_;  // the lines being put together, kept for their memory
};

}  // namespace tolvane::journal
