// A run is undone once: its journal says so afterwards, unless a step was
// refused, which a second undo may then finish.
#include "app/undo_flow.h"

#include "app/destination.h"
#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "fsys/resolved_path.h"
#include "scan/folder_walk.h"

namespace tolvane::app {

UndoOutcome undo_last_copy(std::string_view destination_text, journal::Journals& journals,
                           UndoMode mode, UndoEvents& events) {
  UndoOutcome outcome;
  // Read as a copy reads its destination, and refused with its words.
  if (const std::optional<TextFault> fault = text_fault(destination_text)) {
    outcome.end = UndoEnd::refused;
    outcome.folder = std::string(destination_text);
    outcome.text_fault = fault;
    DestinationCheck check;
    check.shown = outcome.folder;
    check.problem = DestinationProblem::text;
    check.text_fault = fault;
    outcome.message = destination_refusal(check).value_or(std::string());
    outcome.warning = true;
    return outcome;
  }
  const std::optional<std::string> root = scan::folder_path_from_text(destination_text);
  outcome.folder = fsys::absolute_folder(*root);
  events.keep_alive();
  const std::optional<journal::RecordedRun> run = journals.last_run_into(*root);
  events.keep_alive();
  if (!run || run->undone) {
    outcome.end = UndoEnd::nothing_to_undo;
    outcome.message = nothing_to_undo(outcome.folder, run.has_value());
    return outcome;
  }
  fsys::Restorer& restorer = journals.restorer();
  if (mode != UndoMode::at_once) {
    // Planning looks at every copy and its source: the window stays alive.
    outcome.report = undo::undo_run(*run, restorer, true, [&](std::size_t done, std::size_t) {
      if (done % 256 == 0) events.keep_alive();
    });
    if (mode == UndoMode::plan_only) {
      outcome.end = UndoEnd::planned;
      outcome.message = undo_dry_run_message(outcome.folder, outcome.report);
      outcome.warning = outcome.report.left() > 0;
      return outcome;
    }
    if (!events.confirm(undo_question(outcome.folder, outcome.report))) {
      outcome.end = UndoEnd::declined;
      return outcome;
    }
  }
  outcome.report = undo::undo_run(*run, restorer, false, [&](std::size_t done, std::size_t total) {
    events.progress(done, total);
  });
  if (!outcome.report.can_retry()) journals.mark_undone(*run);
  outcome.end = UndoEnd::undone;
  outcome.message = undo_message(outcome.folder, outcome.report);
  outcome.warning = outcome.report.left() > 0;
  return outcome;
}

}  // namespace tolvane::app
