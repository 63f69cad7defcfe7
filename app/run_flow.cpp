// The scan and the copy command, shared by the windows and the command line.
#include "app/run_flow.h"

#include <memory>

#include "app/undo_texts.h"
#include "journal/journals.h"

namespace tolvane::app {

std::optional<NothingRead> nothing_read(std::string_view source_text, bool walked,
                                        const scan::ScanResult& result) {
  if (!walked) {
    return source_text.empty() ? NothingRead::empty_text : NothingRead::ends_in_separator;
  }
  if (result.start_missing) return NothingRead::folder_missing;
  return std::nullopt;
}

ScanOutcome scan_source(std::string_view source_text, fsys::FileSystem& file_system,
                        scan::ScanFrontEnd& front_end, scan::DottedFolders dotted,
                        const std::function<void()>& walk_starting) {
  ScanOutcome outcome;
  outcome.folder = scan::folder_path_from_text(source_text);
  if (outcome.folder) {
    if (walk_starting) walk_starting();
    outcome.result = scan::Search_folder(*outcome.folder, file_system, front_end, dotted);
  }
  outcome.nothing_read = nothing_read(source_text, outcome.folder.has_value(), outcome.result);
  return outcome;
}

copy::CopyReport copy_folder(const std::string& destination, fsys::FileSystem& file_system,
                             RunDisplay& display, std::size_t workers) {
  journal::Journals* journals = display.journals();
  std::error_code unrecorded;
  const std::unique_ptr<journal::RunJournal> journal =
      journals != nullptr ? journals->start_run(destination, unrecorded) : nullptr;
  // A run that could not be undone is said to be so before it copies.
  if (journals != nullptr && !journal && !display.copy_unrecorded(unrecorded)) return {};
  if (journal) {
    for (const std::string& folder : display.destination_folders_made())
      journal->folder_made(folder);
  }
  copy::CopyReport report =
      copy::copy_entries(destination, file_system, display, workers, journal.get());
  std::string message = closing_message(report);
  bool warning = !report.failures.empty() || report.flush_error;
  if (journal) {
    journal->clear_unfinished_run();
    if (const std::error_code cut = journal->write_error()) {
      display.record_cut_short(cut);
      message += '\n';
      message += record_cut_short(cut);
      warning = true;
    }
  }
  // The message appears over the run's own last progress line.
  display.show_report(message, warning);
  return report;
}

std::optional<copy::CopyReport> run_copy_command(std::string_view destination_text,
                                                 fsys::FileSystem& file_system, RunDisplay& display,
                                                 std::size_t workers) {
  std::optional<copy::CopyReport> report;
  if (const std::optional<std::string> root = scan::folder_path_from_text(destination_text)) {
    report = copy_folder(*root, file_system, display, workers);
  }
  display.end_copy_command();
  return report;
}

}  // namespace tolvane::app
