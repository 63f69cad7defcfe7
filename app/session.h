// One application session: what the Qt window, the Win32 window and
// tolvane-cli each make once and stand on, side by side.  It owns the file
// system, the restorer and the run journals, and offers the scan, the copy
// run, its dry-run plan and undo: each is handed a request of values, taken from
// the controls or the arguments when the user asks, and tells its front end
// only what happens.  What a run did comes back as data with its words and
// its verdict.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/copy_plan.h"
#include "app/destination.h"
#include "app/run_events.h"
#include "app/run_verdict.h"
#include "app/stop_request.h"
#include "app/undo_flow.h"
#include "app/user_texts.h"
#include "copy/copy_run.h"
#include "copy/copy_worker_count.h"
#include "fsys/file_system.h"
#include "fsys/restorer.h"
#include "journal/journals.h"
#include "scan/file_list.h"
#include "scan/folder_walk.h"

namespace tolvane::app {

struct ScanRequest {
  std::string source_text;  // Text1 or SOURCE, untrimmed
  scan::DottedFolders dotted = scan::DottedFolders::left_out;
  // Set by the front end when the user stops the scan (may be null): the
  // walk ends at once and the list keeps what it found.
  const StopRequest* stop = nullptr;
};

// What a scan did: the folder its text named (none: no walk), the walk's
// result, and why nothing was read when that is what happened.
struct ScanOutcome {
  std::optional<std::string> folder;
  scan::ScanResult result;
  std::optional<NothingRead> nothing_read;
};

struct CopyRequest {
  // The listed files; unchanged for the length of the run.
  const scan::FileList& files;
  std::string destination_text;  // Text2 or DEST, untrimmed
  std::string extension;         // Combo1's text or --ext, verbatim
  bool flat = false;             // Check1 ticked, or --flat
  // The folders of the destination's path made for this run, outermost
  // first (make_destination): the journal keeps them with the run's own, so
  // that undo takes them away too.
  std::vector<std::string> folders_made;
  // What the progress percentage is measured against: the bar's Max, which
  // the scan that found files set to their count.
  float progress_max = 0;
  // Folders the scan behind `files` could not read: their files were never
  // listed, and the gather is incomplete.
  std::size_t folders_unreadable = 0;
  std::size_t workers = copy::default_copy_workers();
  // Set by the front end when the user stops the run (may be null): no
  // further copy starts, what was named stays and is flushed, the journal
  // says the run stopped.
  const StopRequest* stop = nullptr;
};

struct CopyOutcome {
  // None when the destination text named no folder, or when the user chose
  // not to copy without a journal: no run took place.
  std::optional<copy::CopyReport> report;
  // The user answered No to copying without a journal.
  bool declined = false;
  // Why the run's journal could not be written, or stopped being written
  // part way: the run can then not be undone, or not whole.
  std::error_code unrecorded;
  // The closing message, "已完成N条。" (or "已停止：…" for a stopped run)
  // and what was replaced, unchanged or failed; empty when no run took place.
  std::string closing_message;
  RunVerdict verdict;
  // The closing message is shown with a warning: the gather is incomplete,
  // or its journal was cut short.
  bool warning = false;
};

class Session {
 public:
  // Scans and copies reach the disk through `file_system`; copy runs keep
  // their journals in `journal_folder`, where undo finds them, through
  // `restorer`.  None: this user's (fsys::journal_folder()), and a run whose
  // journal cannot be written there is said to be one before it copies.  An
  // empty folder keeps no journal, and says nothing of it.
  explicit Session(std::unique_ptr<fsys::FileSystem> file_system = fsys::make_native_file_system(),
                   std::optional<std::string> journal_folder = std::nullopt,
                   std::unique_ptr<fsys::Restorer> restorer = fsys::make_native_restorer());

  fsys::FileSystem& file_system() { return *file_system_; }

  // Walks the folder the source text names into `events`' file list; no walk
  // when the text names no folder.
  ScanOutcome scan(const ScanRequest& request, ScanEvents& events);

  // What a destination text names, looked at before anything is copied.
  DestinationCheck check_destination(std::string_view text);
  // Makes the missing destination `root` (a folder path ending in the
  // separator) with the missing folders above it; `made` gets those it made,
  // outermost first, for the request of the run that follows.
  std::error_code make_destination(const std::string& root, std::vector<std::string>& made);
  // Whether make_destination would make `root`, found without writing.
  std::error_code plan_destination(const std::string& root);

  // The copy run: every listed file copied into the folder the destination
  // text names, its journal kept, its closing message worded.  No run when
  // the text names no folder.
  CopyOutcome copy(const CopyRequest& request, CopyEvents& events);
  // The same run over a file system that reads the disk and writes nothing,
  // not even a journal (it reads the journals to leave out what a run
  // would): the entries, outcomes and failures a run would have.  A missing
  // destination is made in the plan first.
  CopyOutcome plan(const CopyRequest& request, CopyEvents& events);
  // The same plan kept as rows to show, one per entry in copy order, with
  // its counts and the destination as the user finds it: a window's plan.
  // `events` hears the run's progress as plan()'s would.  No rows when the
  // text names no folder.
  CopyPlan plan_rows(const CopyRequest& request, CopyEvents& events);

  // Undoes the last run into the folder the destination text (untrimmed)
  // names, read as a copy reads it, as `mode` says: planned only, asked
  // about first, or at once (undo_flow.h).
  UndoOutcome undo(std::string_view destination_text, UndoMode mode, UndoEvents& events);
  // Whether the text names a folder whose last run is there to undo.
  bool can_undo(std::string_view destination_text);

 private:
  CopyOutcome run(const CopyRequest& request, CopyEvents& events, fsys::FileSystem& disk,
                  journal::Journals& journals, std::size_t workers, bool journaled);

  std::unique_ptr<fsys::FileSystem> file_system_;
  std::string journal_folder_;
  bool keeps_journals_;
  std::unique_ptr<fsys::Restorer> restorer_;
  journal::Journals journals_;
};

}  // namespace tolvane::app
