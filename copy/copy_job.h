// One entry's copy as it travels the copy pipeline: handed out by the run's
// thread with its target decided, and handed back as a result.
#pragma once

#include <cstddef>
#include <string>
#include <system_error>

#include "fsys/file_system.h"

namespace tolvane::copy {

// How an entry's target name was made, so that it can take the next one;
// its tag is the entry's own, found again by its index.
struct TargetParts {
  std::string extension;  // as read for the entry (short: no allocation)
  std::size_t number = 0;
  bool keep_name = false;
  bool flat = false;
};

struct CopyJob {
  std::size_t index = 0;
  std::string source;
  std::string target;
  bool renumbered = false;  // the first name was taken, the target took the next free one
  TargetParts parts;
};

struct CopyResult {
  CopyJob job;
  std::error_code error;
  fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
  fsys::FileIdentity identity = {};  // the copy's, where the file system said it
  fsys::KeptFile kept = {};     // where a file the copy replaced went
};

}  // namespace tolvane::copy
