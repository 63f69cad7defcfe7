// One entry's copy as it travels the copy pipeline: handed out by the run's
// thread with its target decided, and handed back as a result.
#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <system_error>

#include "fsys/file_system.h"

namespace tolvane::copy {

// How an entry's target name was made, so that it can take the next one;
// its tag is the entry's own, found again by its index, and the extension
// and the flat mode are the run's.
struct TargetParts {
  std::size_t number = 0;
  bool keep_name = false;
};

struct CopyJob {
  std::size_t index = 0;
  std::string source;
  std::string target;
  bool renumbered = false;  // the first name was taken, the target took the next free one
  TargetParts parts;
  // The source of an earlier run's copy that stands at the target, asked of
  // the journal before the copy starts: a re-run whose numbers moved since
  // replaces it.  Empty when the target holds no such copy.
  std::string replaces_copy_of;
  // The target's folder holds nothing older than this run (the run made it
  // or found it empty): no earlier run's copy can stand at the target.
  bool in_new_folder = false;

  // Where the target holds an earlier run's copy of another source, a file
  // there of this source's size and time is not its copy (photos of a
  // burst share both).
  fsys::LookAlike look_alike() const {
    return replaces_copy_of.empty() ? fsys::LookAlike::is_the_copy : fsys::LookAlike::another_copy;
  }
};

struct CopyResult {
  CopyJob job;
  std::error_code error;
  fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
  fsys::FileIdentity identity = {};  // the copy's, where the file system said it
  fsys::KeptFile kept = {};          // where a file the copy replaced went
  // Named with its batch: the run's recorder learnt of it there.
  bool named_in_batch = false;
};

// Starts `job`'s copy.  Out of memory, the entry fails like any other: the
// threads that copy must not end the program.
inline fsys::CopyStart start_copy_of(fsys::FileSystem& file_system, const CopyJob& job) {
  try {
    return file_system.start_copy(job.source, job.target, job.look_alike());
  } catch (const std::bad_alloc&) {
    fsys::CopyStart start;
    start.error = std::make_error_code(std::errc::not_enough_memory);
    return start;
  }
}

}  // namespace tolvane::copy
