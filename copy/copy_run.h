// The copy run: every listed file copied to the target its naming rules
// give, creating the per-tag folders, telling progress per entry and
// returning what became of the entries.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "copy/copy_events.h"
#include "copy/copy_worker_count.h"
#include "copy/run_recorder.h"
#include "fsys/file_system.h"
#include "scan/file_list.h"

namespace tolvane::copy {

// check_name: the entry's folder tag or target name cannot stand as one
// name inside its folder (it holds a separator, is "." or "..", or has
// characters the file system forbids), so nothing was written for it.
enum class CopyOperation { make_folder, copy_file, check_name };

// One entry that was not copied: the operation that failed, on which path,
// and why.  `target` is the folder for make_folder, the target file for
// copy_file, the path the name would have given for check_name.
struct CopyFailure {
  std::size_t index = 0;
  std::string source;
  std::string target;
  CopyOperation operation = CopyOperation::copy_file;
  std::error_code error;
};

struct CopyReport {
  std::size_t entries = 0;    // entries gone through, failed ones included
  std::size_t replaced = 0;   // copied over a different file, which went to the trash
  std::size_t unchanged = 0;  // the target already had the source's size and time
  // Copied over a different file on a volume without a usable trash, which
  // went to `set_aside_folder` under its path below the destination root.
  std::size_t set_aside = 0;
  std::string set_aside_folder;
  // Listed files that an earlier run copied into this destination, left out.
  std::size_t earlier_copies = 0;
  // Of `replaced` and of `set_aside`, those whose old file was an earlier
  // run's copy of another source: the numbering moved since that run.
  std::size_t replaced_earlier_copies = 0;
  std::size_t set_aside_earlier_copies = 0;
  std::vector<CopyFailure> failures;
  std::error_code flush_error;  // the copies may not all be on the device
  // The run was asked to stop and did before its end: `left` entries were
  // never copied (never reached, or staged and dropped before their names).
  bool stopped = false;
  std::size_t left = 0;
};

// Every value a copy run plans from, taken when it starts: it asks nobody
// for a setting while it goes on.
struct CopyRequest {
  // The listed files (full paths and folder tags), read, never changed,
  // for the length of the run.
  const scan::FileList& entries;
  // The destination root: a folder path ending in the separator.
  std::string destination;
  // The extension text, verbatim: the tail of every numbered name, or ".*"
  // to keep each file's own name.
  std::string extension;
  // No per-tag subfolders: every copy goes into the destination itself.
  bool flat = false;
  // The folder at the destination root that keeps replaced files on a
  // volume without a usable trash: a name the user reads, so the caller's.
  std::string_view set_aside_folder_name;
  // How many threads copy the data.
  std::size_t workers = default_copy_workers();
  // Set (from any thread) when the user asks the run to stop; may be null.
  const std::atomic<bool>* stop = nullptr;
};

// Copies every entry of `request` into its destination and puts the copies
// on the device.  A failing entry is recorded and the run goes on; no
// listed source and no target already written by this run is ever written
// to; a file that stood at a target goes to the trash or stays.  Folders,
// names and every event stay on the calling thread, in list order; with
// more than one worker the data is copied by that many threads, so
// `file_system` must then allow calls from several threads at once.  With
// one, every call happens on the calling thread in list order, and each
// entry's progress is shown before its copy rather than after it.
// With a `recorder`, the run's journal learns every folder and copy it
// needs to undo the run, each copy before it takes its name, and listed
// files it knows for earlier copies into the destination are left out.
// Once `request.stop` is set the run stops at its next clean point, within
// a fraction of a second: no further copy starts, copies staged but not yet
// named are dropped and never named, a batch taking its names finishes, and
// what was named is flushed and kept; the report says how many were left.
CopyReport copy_entries(const CopyRequest& request, fsys::FileSystem& file_system,
                        CopyEvents& events, RunRecorder* recorder = nullptr);

}  // namespace tolvane::copy
