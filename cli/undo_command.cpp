// The undo as lines: one per step (or a JSON object), then the window's
// closing message (or a summary object).
#include "cli/undo_command.h"

#include "app/command_line_texts.h"
#include "app/session.h"
#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "cli/json_line.h"
#include "cli/progress_display.h"

namespace tolvane::cli {
namespace {

std::string_view step_word(undo::UndoStep step) {
  switch (step) {
    case undo::UndoStep::delete_copy:
      return "delete_copy";
    case undo::UndoStep::trash_copy:
      return "trash_copy";
    case undo::UndoStep::put_back:
      return "put_back";
    case undo::UndoStep::remove_folder:
      return "remove_folder";
    case undo::UndoStep::changed_copy:
      return "changed_copy";
    case undo::UndoStep::kept_elsewhere:
      return "kept_elsewhere";
    case undo::UndoStep::replaced_missing:
      return "replaced_missing";
    case undo::UndoStep::failed:
      return "failed";
  }
  return "";
}

// The undo's progress on the terminal; it asks nothing.
class UndoProgressLine final : public app::UndoEvents {
 public:
  explicit UndoProgressLine(ProgressDisplay& progress) : progress_(progress) {}
  void progress(std::size_t done, std::size_t total) override {
    progress_.show(app::undo_progress_caption(done, total), done == 0 || done == total);
  }

 private:
  ProgressDisplay& progress_;
};

}  // namespace

int run_undo(const Options& options, app::Session& session, std::ostream& out, std::ostream& err,
             bool err_is_terminal) {
  ProgressDisplay progress(err, err_is_terminal);
  UndoProgressLine events(progress);
  const app::UndoOutcome outcome =
      session.undo(options.destination,
                   options.dry_run ? app::UndoMode::plan_only : app::UndoMode::at_once, events);
  progress.finish();
  if (outcome.end == app::UndoEnd::refused) {
    // DEST is read as a copy reads it, and refused with the same words.
    err << app::command_line::program_line(app::command_line::folder_text_refusal(
               "DEST", options.destination, outcome.text_fault.value_or(app::TextFault::empty)))
        << '\n';
    return exit_nothing_to_undo;
  }
  if (outcome.end != app::UndoEnd::planned && outcome.end != app::UndoEnd::undone) {
    err << app::command_line::program_line(outcome.message) << '\n';
    return exit_nothing_to_undo;
  }
  const undo::UndoReport& report = outcome.report;
  const int status = report.left() == 0 ? 0 : 1;
  const std::string& message = outcome.message;
  for (const undo::UndoAction& action : report.actions) {
    if (!options.json) {
      if (options.dry_run) out << app::undo_plan_line(action) << '\n';
      continue;
    }
    JsonLine line;
    line.text("type", "undo").text("step", step_word(action.step)).text("path", action.path);
    if (action.from.empty()) {
      line.null("from");
    } else {
      line.text("from", action.from);
    }
    if (undo::left_as_is(action.step)) {
      line.text("reason", app::left_line(action));
    } else {
      line.null("reason");
    }
    out << line.str() << '\n';
  }
  if (!options.json) {
    out << message << '\n';
    return status;
  }
  JsonLine summary;
  summary.text("type", "summary").boolean("dry_run", options.dry_run);
  summary.number("deleted", report.count(undo::UndoStep::delete_copy));
  summary.number("trashed", report.count(undo::UndoStep::trash_copy));
  summary.number("put_back", report.count(undo::UndoStep::put_back));
  summary.number("folders_removed", report.count(undo::UndoStep::remove_folder));
  summary.number("left", report.left());
  // A step was refused: --undo again may finish the job.
  summary.boolean("retry", !options.dry_run && report.can_retry()).text("message", message);
  summary.number("exit_status", static_cast<std::size_t>(status));
  out << summary.str() << '\n';
  return status;
}

}  // namespace tolvane::cli
