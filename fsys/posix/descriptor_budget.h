// How many descriptors a copy run may hold open beyond its sources and
// listings, raising the process's soft limit where the hard one allows.
#pragma once

namespace tolvane::fsys::posix {

struct DescriptorBudget {
  int staged_copies;  // one per copy staged unnamed
  int open_folders;   // one per target folder kept open
};

// Lets this process hold the descriptors of a batch of unnamed copies: the
// soft limit is often 1024 where the hard one is far higher.  Staged copies
// may hold what is allowed now less an eighth (at least 256), which is left
// to sources, listings, the window and, a quarter of it, target folders.
DescriptorBudget allow_open_files();

}  // namespace tolvane::fsys::posix
