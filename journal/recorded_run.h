// A run as its journal tells it, read back for undo and for the next run
// into the same destination.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fsys/kept_file.h"
#include "fsys/temporary_names.h"

namespace tolvane::journal {

struct RecordedCopy {
  std::string target;  // absolute
  std::string source;  // absolute
  fsys::FileIdentity identity;
  // The copy took its name, as the run said after naming it.  False for a
  // copy recorded only before its naming (a kill or a power cut came
  // before the run could say more): it may or may not have its name, and
  // whether it replaced a file is not known.
  bool named = false;
  fsys::KeptFile kept;  // where a file it replaced went
};

struct RecordedRun {
  std::string journal;               // the journal's own path
  std::string destination;           // absolute, ending in the separator
  std::vector<std::string> folders;  // made by the run, outermost first
  std::vector<RecordedCopy> copies;  // one per target, in the order named
  std::int64_t started = 0;          // ns since 1970, from the journal's name
  // Whose temporaries the run wrote; none in a journal of a version that
  // did not say.
  std::optional<fsys::TemporaryWriter> writer;
  bool ended = false;  // the run reached its end
  bool undone = false;

  // Every folder the run wrote into or made, the destination's own
  // included, once each: where a killed run may have left temporaries.
  std::vector<std::string> folders_written() const;
};

// Reads a journal's text; a line cut short by a kill is ignored.
RecordedRun parse_journal(const std::string& path, const std::string& text);

}  // namespace tolvane::journal
