// The copy run: every listed file copied to the target its naming rules
// give, creating the per-tag folders, telling progress per entry and
// returning what became of the entries.
#pragma once

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

#include "copy/copy_front_end.h"
#include "copy/copy_worker_count.h"
#include "copy/run_recorder.h"
#include "fsys/file_system.h"

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
  std::vector<CopyFailure> failures;
  std::error_code flush_error;  // the copies may not all be on the device
};

// Copies every entry of `front_end` into `destination` (a folder path
// ending in the separator) and puts the copies on the device.  A failing
// entry is recorded and the run goes on; no listed source and no target
// already written by this run is ever written to; a file that stood at a
// target goes to the trash or stays.  Folders, names and every front-end
// call stay on the calling thread, in list order; with `workers` > 1 the
// data is copied by that many threads, so `file_system` must then allow
// calls from several threads at once.  With 1, every call happens on the
// calling thread in list order, and each entry's progress is shown before
// its copy rather than after it.
// With a `recorder`, the run's journal learns every folder and copy it
// needs to undo the run, each copy before it takes its name, and listed
// files it knows for earlier copies into `destination` are left out.
CopyReport copy_entries(const std::string& destination, fsys::FileSystem& file_system,
                        CopyFrontEnd& front_end, std::size_t workers = default_copy_workers(),
                        RunRecorder* recorder = nullptr);

}  // namespace tolvane::copy
