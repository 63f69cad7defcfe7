// The scan, the copy run and its plan, driven the same way by the windows and
// the command line.
#include "app/session.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "app/plan_file_system.h"
#include "app/undo_texts.h"
#include "fsys/missing_folders.h"

namespace tolvane::app {
namespace {

std::optional<NothingRead> nothing_read(std::string_view source_text, bool walked,
                                        const scan::ScanResult& result) {
  if (!walked) {
    switch (*text_fault(source_text)) {
      case TextFault::empty:
        return NothingRead::empty_text;
      case TextFault::root:
        return NothingRead::root_text;
      case TextFault::ends_in_separator:
        return NothingRead::ends_in_separator;
    }
  }
  if (result.start_missing) return NothingRead::folder_missing;
  return std::nullopt;
}

int bar_value(std::size_t index) { return static_cast<int>(std::min<std::size_t>(index, INT_MAX)); }

// The copy run's progress as the user reads it: the bar's value and the
// progress line, measured against the bar's Max as the window shows it.
class ShownProgress final : public copy::CopyEvents {
 public:
  ShownProgress(app::CopyEvents& events, float max) : events_(events), max_(max) {}

  void progress(std::size_t index) override {
    events_.progress(bar_value(index), progress_caption(index, max_), false);
  }
  void flushing(std::size_t index) override {
    events_.progress(bar_value(index), progress_caption(index, max_) + std::string(flushing_suffix),
                     true);
  }
  void keep_alive() override { events_.keep_alive(); }
  void entry_done(const copy::EntryResult& result) override { events_.entry_done(result); }

 private:
  app::CopyEvents& events_;
  const float max_;
};

// A plan's rows kept as its entries are told, the rest passed on.
class PlanRows final : public CopyEvents {
 public:
  PlanRows(CopyEvents& events, CopyPlan& plan, std::string root)
      : events_(events), plan_(plan), root_(std::move(root)) {}

  void progress(int value, std::string_view caption, bool at_once) override {
    events_.progress(value, caption, at_once);
  }
  void keep_alive() override { events_.keep_alive(); }
  void entry_done(const copy::EntryResult& result) override {
    plan_.add(result, root_);
    events_.entry_done(result);
  }

 private:
  CopyEvents& events_;
  CopyPlan& plan_;
  const std::string root_;
};

}  // namespace

Session::Session(std::unique_ptr<fsys::FileSystem> file_system,
                 std::optional<std::string> journal_folder,
                 std::unique_ptr<fsys::Restorer> restorer)
    : file_system_(std::move(file_system)),
      journal_folder_(journal_folder ? std::move(*journal_folder) : fsys::journal_folder()),
      keeps_journals_(!journal_folder || !journal_folder_.empty()),
      restorer_(std::move(restorer)),
      journals_(journal_folder_, *restorer_) {}

ScanOutcome Session::scan(const ScanRequest& request, ScanEvents& events) {
  ScanOutcome outcome;
  outcome.folder = scan::folder_path_from_text(request.source_text);
  if (outcome.folder) {
    events.walk_starting();
    outcome.result = scan::Search_folder(*outcome.folder, *file_system_, events, request.dotted,
                                         request.stop != nullptr ? request.stop->flag() : nullptr);
  }
  outcome.nothing_read =
      nothing_read(request.source_text, outcome.folder.has_value(), outcome.result);
  return outcome;
}

DestinationCheck Session::check_destination(std::string_view text) {
  return app::check_destination(text, *file_system_);
}

std::error_code Session::make_destination(const std::string& root, std::vector<std::string>& made) {
  made.clear();
  return fsys::make_missing_folders(*file_system_, root, &made);
}

std::error_code Session::plan_destination(const std::string& root) {
  PlanFileSystem plan(*file_system_);
  return fsys::make_missing_folders(plan, root);
}

CopyOutcome Session::copy(const CopyRequest& request, CopyEvents& events) {
  return run(request, events, *file_system_, journals_, request.workers, keeps_journals_);
}

CopyOutcome Session::plan(const CopyRequest& request, CopyEvents& events) {
  PlanFileSystem plan(*file_system_);
  // The plan makes a missing destination as the run would, so that its
  // entries are planned into it; what cannot be made fails them.
  if (const std::optional<std::string> root =
          scan::folder_path_from_text(request.destination_text)) {
    fsys::make_missing_folders(plan, *root);
  }
  journal::Journals read_only(journal_folder_, *restorer_);
  read_only.set_read_only();
  // The plan keeps what it would have written: one thread.
  return run(request, events, plan, read_only, 1, false);
}

UndoOutcome Session::undo(std::string_view destination_text, UndoMode mode, UndoEvents& events) {
  return undo_last_copy(destination_text, journals_, mode, events);
}

bool Session::can_undo(std::string_view destination_text) {
  const std::optional<std::string> root = scan::folder_path_from_text(destination_text);
  return root && journals_.can_undo(*root);
}

CopyPlan Session::plan_rows(const CopyRequest& request, CopyEvents& events) {
  CopyPlan plan;
  const DestinationCheck destination = check_destination(request.destination_text);
  if (destination.root.empty()) return plan;
  plan.destination = destination.shown;
  plan.destination_missing = destination.missing;
  PlanRows rows(events, plan, destination.root);
  plan.counts.entries = this->plan(request, rows).report.value_or(copy::CopyReport{}).entries;
  return plan;
}

CopyOutcome Session::run(const CopyRequest& request, CopyEvents& events, fsys::FileSystem& disk,
                         journal::Journals& journals, std::size_t workers, bool journaled) {
  CopyOutcome outcome;
  const std::optional<std::string> root = scan::folder_path_from_text(request.destination_text);
  if (!root) return outcome;
  std::error_code unrecorded;
  const std::unique_ptr<journal::RunJournal> journal = journals.start_run(*root, unrecorded);
  // A run that could not be undone is said to be so before it copies.
  if (journaled && !journal) {
    outcome.unrecorded = unrecorded;
    if (!events.copy_unrecorded(unrecorded)) {
      outcome.declined = true;
      return outcome;
    }
  }
  if (journal) {
    for (const std::string& folder : request.folders_made) journal->folder_made(folder);
  }
  ShownProgress shown(events, request.progress_max);
  const copy::CopyRequest values{.entries = request.files,
                                 .destination = *root,
                                 .extension = request.extension,
                                 .flat = request.flat,
                                 .set_aside_folder_name = set_aside_folder_name,
                                 .workers = workers,
                                 .stop = request.stop != nullptr ? request.stop->flag() : nullptr};
  outcome.report = copy::copy_entries(values, disk, shown, journal.get());
  outcome.verdict = run_verdict(*outcome.report, request.folders_unreadable);
  outcome.closing_message = closing_message(*outcome.report, request.folders_unreadable);
  outcome.warning = !outcome.verdict.complete;
  if (journal) {
    // What a killed run before this one left in the folders it wrote.
    journal->clear_unfinished_run();
    if (const std::error_code cut = journal->write_error()) {
      outcome.unrecorded = cut;
      outcome.closing_message += '\n';
      outcome.closing_message += record_cut_short(cut);
      outcome.warning = true;
    }
  }
  return outcome;
}

}  // namespace tolvane::app
