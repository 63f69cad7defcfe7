// Checks the inputs, then has the session scan SOURCE and copy into DEST, or
// plan the copy, as the windows have it scan and copy; prints what it tells.
#include "cli/command_line_run.h"

#include <memory>
#include <optional>
#include <utility>

#include "app/command_line_texts.h"
#include "app/session.h"
#include "app/user_texts.h"
#include "cli/command_line_front_end.h"
#include "cli/help_text.h"
#include "cli/input_checks.h"
#include "cli/undo_command.h"
#include "fsys/forwarding_file_system.h"
#include "fsys/forwarding_restorer.h"
#include "fsys/resolved_path.h"

namespace tolvane::cli {
namespace {

int refuse(std::ostream& err, const std::string& problem) {
  err << app::command_line::program_line(problem) << '\n';
  return exit_refused;
}

}  // namespace

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        bool err_is_terminal, app::StopRequest* stop) {
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  return run(arguments, *disk, out, err, err_is_terminal, stop);
}

int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, std::ostream& out,
        std::ostream& err, bool err_is_terminal, app::StopRequest* stop) {
  const std::unique_ptr<fsys::Restorer> restorer = fsys::make_native_restorer();
  return run(arguments, disk, *restorer, out, err, err_is_terminal, stop);
}

int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, fsys::Restorer& restorer,
        std::ostream& out, std::ostream& err, bool err_is_terminal, app::StopRequest* stop) {
  const ParsedArguments parsed = parse_arguments(arguments);
  if (!parsed.error.empty()) return refuse(err, app::command_line::usage_error(parsed.error));
  const Options& options = parsed.options;
  if (options.help) {
    out << help_text();
    return exit_all_copied;
  }
  app::Session session(std::make_unique<fsys::ForwardingFileSystem>(disk), std::nullopt,
                       std::make_unique<fsys::ForwardingRestorer>(restorer));
  if (options.undo) return run_undo(options, session, out, err, err_is_terminal);

  if (const std::optional<std::string> problem = source_problem(options, disk)) {
    return refuse(err, *problem);
  }
  // DEST as the window checks its destination, and what would fail every entry alike.
  app::DestinationCheck destination = session.check_destination(options.destination);
  app::destination_writable(destination, disk);
  if (const std::optional<std::string> refusal =
          app::command_line::destination_refusal(options.destination, destination)) {
    return refuse(err, *refusal);
  }
  std::vector<std::string> made;
  if (destination.missing) {
    // A plan makes it in its own picture of the disk when it runs.
    const std::error_code error = options.dry_run
                                      ? session.plan_destination(destination.root)
                                      : session.make_destination(destination.root, made);
    if (error) {
      return refuse(err, app::command_line::destination_not_made(options.destination, error));
    }
    err << app::command_line::destination_made(
               options.destination, fsys::absolute_folder(destination.root), options.dry_run)
        << '\n';
  }

  RunOutput output(out, options);
  ProgressDisplay progress(err, err_is_terminal);
  CommandLineFrontEnd front_end(options.extension, progress, output, err);
  // From here to the end of the copy run, Ctrl-C stops rather than ends: a
  // stop during the scan leaves the run to copy nothing and say so.
  std::optional<app::StopRequest::Listening> listening;
  if (stop != nullptr) listening.emplace(*stop);
  // The checks above made sure SOURCE names a folder, so the walk takes place.
  const scan::ScanResult scanned =
      session
          .scan({options.source,
                 options.dot_folders ? scan::DottedFolders::walked : scan::DottedFolders::left_out,
                 stop},
                front_end)
          .result;
  output.scanned(front_end.files().size(), scanned);
  if (scanned.folders_unreadable > 0) {
    err << app::unreadable_details(scanned.folders_unreadable, scanned.first_unreadable) << '\n';
  }
  // As the window's tooltip names them: what the dot rule kept out is never
  // silently missing from the gather.
  if (scanned.folders_left_out > 0) {
    err << app::left_out_details(scanned.folders_left_out, scanned.first_left_out) << '\n'
        << app::command_line::dot_folders_hint << '\n';
  }

  // As in the window, the percentage is measured against the count found.
  const app::CopyRequest request{
      .files = front_end.files(),
      .destination_text = options.destination,
      .extension = options.extension,
      .flat = options.flat,
      .folders_made = std::move(made),
      .progress_max = static_cast<float>(front_end.files().size()),
      .folders_unreadable = scanned.folders_unreadable,
      .workers = copy::default_copy_workers(),
      .stop = stop,
  };
  const app::CopyOutcome outcome =
      options.dry_run ? session.plan(request, front_end) : session.copy(request, front_end);
  listening.reset();
  progress.finish();
  // No journal, or one cut short part way: the JSON summary says the run
  // cannot be undone whole.
  if (outcome.unrecorded) output.unrecorded();
  const int status = outcome.verdict.exit_status();
  // Said where the user pressed Ctrl-C, as the interruption's answer.
  if (outcome.verdict.stopped) err << outcome.closing_message << '\n';
  output.finish(outcome.report.value_or(copy::CopyReport{}), outcome.closing_message, status);
  out.flush();
  return status;
}

}  // namespace tolvane::cli
