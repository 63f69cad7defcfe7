// A copy run's plan as data: what a dry run said of each entry, one row per
// entry in copy order, and the counts of what it would do.  The window's
// plan shows the rows; the command line's dry run counts the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "copy/copy_events.h"

namespace tolvane::app {

// What the run will do with an entry.
enum class PlannedAction : std::uint8_t {
  new_copy,           // copied to a free name
  replace,            // the file there goes to the trash
  replace_set_aside,  // the file there goes to the set-aside folder
  unchanged,          // the file there has the source's size and time: left alone
  earlier_copy,       // the entry is an earlier run's copy into the destination: left out
  fail,               // nothing is written; `detail` says why
};

PlannedAction planned_action(const copy::EntryResult& result);

// What a plan counted, entry by entry.
struct PlanCounts {
  std::size_t entries = 0;
  std::size_t copied = 0;     // to a free name
  std::size_t replaced = 0;   // the old file would go to the trash
  std::size_t set_aside = 0;  // the old file would go to the set-aside folder
  // Of `replaced` and of `set_aside`: the old file is an earlier run's copy
  // of another source, whose number this run gives to another.
  std::size_t replaced_earlier_copies = 0;
  std::size_t set_aside_earlier_copies = 0;
  std::size_t unchanged = 0;
  std::size_t failed = 0;
  std::size_t renumbered = 0;      // took the next free number; among those not failed
  std::size_t earlier_copies = 0;  // an earlier run's copies, left out

  // Counts one entry; `entries` is the run's own count.
  void add(const copy::EntryResult& result);
};

// One row of the plan.
struct PlanRow {
  std::size_t index = 0;  // the entry's place in the list
  std::string source;
  // The target relative to the destination (a folder ends in the
  // separator); empty for an earlier copy left out.
  std::string target;
  // Why it will fail (worded), or the source of the earlier copy it
  // replaces; empty otherwise.
  std::string detail;
  PlannedAction action = PlannedAction::new_copy;
  bool renumbered = false;  // the first name is taken: the next free number
  bool replaces_earlier_copy = false;

  // A plain new copy: a free name, the first it was given.
  bool plain() const {
    return action == PlannedAction::new_copy && !renumbered && !replaces_earlier_copy;
  }
};

struct CopyPlan {
  // The destination root the targets are relative to, absolute, as the
  // user finds it; empty when the destination text named no folder.
  std::string destination;
  // The destination does not exist yet: the copy will make it.
  bool destination_missing = false;
  std::vector<PlanRow> rows;  // in copy order
  PlanCounts counts;
  // The rows that are not plain new copies, by their place in `rows`.
  std::vector<std::size_t> notable;

  // Adds the row of `result`; `root` is the destination as the run named
  // its targets.
  void add(const copy::EntryResult& result, std::string_view root);

  // How many rows a view shows: every row, or only the notable ones.
  std::size_t shown_count(bool notable_only) const {
    return notable_only ? notable.size() : rows.size();
  }
  // The `shown`th row a view shows; null past the last.
  const PlanRow* shown_row(std::size_t shown, bool notable_only) const {
    if (shown >= shown_count(notable_only)) return nullptr;
    return &rows[notable_only ? notable[shown] : shown];
  }
};

}  // namespace tolvane::app
