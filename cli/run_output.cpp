// Plan lines, closing lines and JSON objects, all from the entries the copy
// run reports, so that a dry run and a real run are told alike.
#include "cli/run_output.h"

#include <string>

#include "app/user_texts.h"
#include "cli/json_line.h"

namespace tolvane::cli {
namespace {

std::string_view outcome_word(const copy::EntryResult& result) {
  if (result.failure != nullptr) return "failed";
  if (result.earlier_copy) return "earlier_copy";
  switch (result.outcome) {
    case fsys::CopyOutcome::copied:
    // The run gives such an entry its next name and copies it again; it is
    // never reported so.
    case fsys::CopyOutcome::name_held_by_run:
      return "copied";
    case fsys::CopyOutcome::replaced:
      return "replaced";
    case fsys::CopyOutcome::unchanged:
      return "unchanged";
    case fsys::CopyOutcome::set_aside:
      return "set_aside";
  }
  return "";
}

}  // namespace

void RunOutput::scanned(std::size_t listed, const scan::ScanResult& scan) {
  listed_ = listed;
  folders_unreadable_ = scan.folders_unreadable;
  folders_left_out_ = scan.folders_left_out;
  if (!options_.json) out_ << app::count_caption(listed, scan, std::nullopt) << '\n';
}

void RunOutput::entry(const copy::EntryResult& result) {
  const bool failed = result.failure != nullptr;
  counts_.add(result);

  if (options_.json) {
    JsonLine line;
    line.text("type", "entry").number("index", result.index);
    line.text("source", result.source).text("target", result.target);
    line.text("outcome", outcome_word(result)).boolean("renumbered", result.renumbered);
    if (result.replaces_copy_of.empty()) {
      line.null("replaces_copy_of");
    } else {
      line.text("replaces_copy_of", result.replaces_copy_of);
    }
    if (failed) {
      line.text("reason", app::failure_text(*result.failure));
    } else {
      line.null("reason");
    }
    out_ << line.str() << '\n';
    return;
  }
  if (!options_.dry_run) return;  // a real run tells its failures at the end
  out_ << app::command_line::plan_line(result) << '\n';
}

void RunOutput::finish(const copy::CopyReport& report, std::string_view closing_text,
                       int exit_status) {
  std::string message(closing_text);
  if (options_.dry_run) {
    counts_.entries = report.entries;
    message = app::command_line::plan_summary(counts_);
  }
  if (!options_.json) {
    if (!report.stopped) out_ << message << '\n';
    return;
  }
  JsonLine line;
  line.text("type", "summary").boolean("dry_run", options_.dry_run);
  line.number("listed", listed_).number("folders_unreadable", folders_unreadable_);
  line.number("folders_left_out", folders_left_out_);
  line.number("entries", report.entries).number("copied", counts_.copied);
  line.number("replaced", counts_.replaced).number("set_aside", counts_.set_aside);
  line.number("unchanged", counts_.unchanged).number("earlier_copies", counts_.earlier_copies);
  line.number("renumbered", counts_.renumbered);
  line.number("replaced_earlier_copies",
              counts_.replaced_earlier_copies + counts_.set_aside_earlier_copies);
  line.number("failed", counts_.failed);
  line.boolean("stopped", report.stopped).number("left", report.left);
  // A plan writes no journal: only a real run can be undone.
  line.boolean("journal", recorded_ && !options_.dry_run).text("message", message);
  line.number("exit_status", static_cast<std::size_t>(exit_status));
  out_ << line.str() << '\n';
}

}  // namespace tolvane::cli
