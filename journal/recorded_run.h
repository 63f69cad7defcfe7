// A run as its journal tells it, read back for undo and for the next run
// into the same destination.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/kept_file.h"
#include "fsys/restorer.h"
#include "fsys/temporary_names.h"

namespace tolvane::journal {

// Journals are named "run-<start in ns>-<n>.journal", so that names sort as
// runs do.
inline constexpr std::string_view journal_prefix = "run-";

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
  bool stopped = false;  // the user stopped the run: it copied part of its list
  bool ended = false;    // the run reached its end
  bool undone = false;

  // Every folder the run wrote into or made, the destination's own
  // included, once each: where a killed run may have left temporaries.
  std::vector<std::string> folders_written() const;
};

// Reads a journal's text; a line cut short by a kill is ignored.
RecordedRun parse_journal(const std::string& path, const std::string& text);

// The start of a journal's run, in ns since 1970, from its name or path.
std::int64_t journal_started(std::string_view path);

// What a kill left half-written in the folders `run` wrote: its own
// temporaries, never anyone else's.
void remove_run_temporaries(const RecordedRun& run, fsys::Restorer& restorer);

}  // namespace tolvane::journal
