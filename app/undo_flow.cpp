// A run is undone once: its journal says so afterwards, whatever was left.
#include "app/undo_flow.h"

namespace tolvane::app {

std::optional<journal::RecordedRun> run_to_undo(journal::Journals& journals,
                                                const std::string& root, bool& undone_already) {
  std::optional<journal::RecordedRun> run = journals.last_run_into(root);
  undone_already = run && run->undone;
  if (!run || run->undone) return std::nullopt;
  return run;
}

undo::UndoReport undo_last_run(journal::Journals& journals, const journal::RecordedRun& run,
                               bool dry_run) {
  undo::UndoReport report = undo::undo_run(run, journals.restorer(), dry_run);
  if (!dry_run) journals.mark_undone(run);
  return report;
}

}  // namespace tolvane::app
