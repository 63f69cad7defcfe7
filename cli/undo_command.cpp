// The undo as lines: one per step (or a JSON object), then the window's
// closing message (or a summary object).
#include "cli/undo_command.h"

#include "app/undo_flow.h"
#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "cli/json_line.h"
#include "fsys/resolved_path.h"
#include "scan/folder_walk.h"

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
    case undo::UndoStep::failed:
      return "failed";
  }
  return "";
}

std::string plan_line(const undo::UndoAction& action) {
  switch (action.step) {
    case undo::UndoStep::delete_copy:
      return "删除 " + action.path;
    case undo::UndoStep::trash_copy:
      return "移入回收站 " + action.path + " 【源文件已不在或已改动】";
    case undo::UndoStep::put_back:
      return "放回 " + action.from + " → " + action.path;
    case undo::UndoStep::remove_folder:
      return "移除文件夹 " + action.path;
    default:
      return "保留 " + app::left_line(action);
  }
}

}  // namespace

int run_undo(const Options& options, journal::Journals& journals, std::ostream& out,
             std::ostream& err) {
  const std::optional<std::string> root = scan::folder_path_from_text(options.destination);
  const std::string shown = root ? fsys::absolute_folder(*root) : options.destination;
  bool undone_already = false;
  const std::optional<journal::RecordedRun> run =
      root ? app::run_to_undo(journals, *root, undone_already) : std::nullopt;
  if (!run) {
    err << "tolvane-cli：" << app::nothing_to_undo(shown, undone_already) << '\n';
    return exit_nothing_to_undo;
  }
  const undo::UndoReport report = app::undo_last_run(journals, *run, options.dry_run);
  const int status = report.left() == 0 ? 0 : 1;
  const std::string message =
      options.dry_run ? app::undo_dry_run_message(shown, report) : app::undo_message(shown, report);
  for (const undo::UndoAction& action : report.actions) {
    if (!options.json) {
      if (options.dry_run) out << plan_line(action) << '\n';
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
  summary.number("left", report.left()).text("message", message);
  summary.number("exit_status", static_cast<std::size_t>(status));
  out << summary.str() << '\n';
  return status;
}

}  // namespace tolvane::cli
