// Checks the inputs, then drives the scan of SOURCE and the copy command
// into DEST that the windows drive too, over the real disk or, for a dry run,
// over the plan.
#include "cli/command_line_run.h"

#include "app/run_flow.h"
#include "app/user_texts.h"
#include "cli/command_line_front_end.h"
#include "cli/help_text.h"
#include "cli/input_checks.h"
#include "cli/plan_file_system.h"
#include "cli/undo_command.h"
#include "copy/copy_run.h"
#include "copy/copy_worker_count.h"
#include "fsys/missing_folders.h"
#include "fsys/resolved_path.h"
#include "scan/folder_walk.h"

namespace tolvane::cli {
namespace {

int refuse(std::ostream& err, const std::string& problem) {
  err << "tolvane-cli：" << problem << '\n';
  return exit_refused;
}

}  // namespace

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        bool err_is_terminal) {
  const std::unique_ptr<fsys::FileSystem> disk = fsys::make_native_file_system();
  return run(arguments, *disk, out, err, err_is_terminal);
}

int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, std::ostream& out,
        std::ostream& err, bool err_is_terminal) {
  const std::unique_ptr<fsys::Restorer> restorer = fsys::make_native_restorer();
  return run(arguments, disk, *restorer, out, err, err_is_terminal);
}

int run(const std::vector<std::string>& arguments, fsys::FileSystem& disk, fsys::Restorer& restorer,
        std::ostream& out, std::ostream& err, bool err_is_terminal) {
  const ParsedArguments parsed = parse_arguments(arguments);
  if (!parsed.error.empty()) return refuse(err, parsed.error + "（用 --help 查看用法）");
  const Options& options = parsed.options;
  if (options.help) {
    out << help_text();
    return exit_all_copied;
  }
  journal::Journals journals(fsys::journal_folder(), restorer);
  if (options.undo) return run_undo(options, journals, out, err, err_is_terminal);

  std::string problem;
  const std::optional<CheckedFolders> folders = check_inputs(options, disk, problem);
  if (!folders) return refuse(err, problem);

  PlanFileSystem plan(disk);
  std::vector<std::string> made;
  if (folders->destination_missing) {
    // The plan makes it as the run would, so its entries are planned into it.
    fsys::FileSystem& made_on = options.dry_run ? static_cast<fsys::FileSystem&>(plan) : disk;
    if (const std::error_code error =
            fsys::make_missing_folders(made_on, folders->destination, &made)) {
      return refuse(err,
                    "无法新建 DEST “" + options.destination + "”：" + app::failure_reason(error));
    }
    err << "DEST “" << options.destination << "” 不存在，"
        << (options.dry_run ? "拷贝时将新建：" : "已新建：")
        << fsys::absolute_folder(folders->destination) << '\n';
  }
  RunOutput output(out, options);
  ProgressDisplay progress(err, err_is_terminal);
  CommandLineFrontEnd front_end(options, progress, output, err);
  // A plan writes nothing, not even a journal; it reads the journals to
  // leave out what a run would leave out.
  if (options.dry_run) journals.set_read_only();
  front_end.set_journals(&journals);
  front_end.set_destination_folders_made(std::move(made));
  // The checks above made sure SOURCE names a folder, so the walk takes place.
  const scan::ScanResult scanned =
      app::scan_source(
          options.source, disk, front_end,
          options.dot_folders ? scan::DottedFolders::walked : scan::DottedFolders::left_out)
          .result;
  output.scanned(front_end.files().size(), scanned.folders_unreadable, scanned.folders_left_out);
  if (scanned.folders_unreadable > 0) {
    err << app::unreadable_details(scanned.folders_unreadable, scanned.first_unreadable) << '\n';
  }
  // As the window's tooltip names them: what the dot rule kept out is never
  // silently missing from the gather.
  if (scanned.folders_left_out > 0) {
    err << app::left_out_details(scanned.folders_left_out, scanned.first_left_out)
        << "\n（加 --dot-folders 也读取这些文件夹）\n";
  }

  fsys::FileSystem& copies = options.dry_run ? static_cast<fsys::FileSystem&>(plan) : disk;
  // The plan's file system keeps what it would have written: one thread.
  const std::optional<copy::CopyReport> report = app::run_copy_command(
      options.destination, copies, front_end, options.dry_run ? 1 : copy::default_copy_workers());
  // The checks above made sure DEST names a folder, so the run took place.
  // Copies that may not have reached the device are not "all copied", nor
  // is a gather that left out files of folders it could not read.
  const bool all_copied =
      report && report->failures.empty() && !report->flush_error && scanned.folders_unreadable == 0;
  const int status = all_copied ? exit_all_copied : exit_entries_failed;
  output.finish(report.value_or(copy::CopyReport{}), front_end.closing_text(), status);
  out.flush();
  return status;
}

}  // namespace tolvane::cli
