// The copy run: entries planned in list order on the run's thread, their
// copies made through the pipeline there or by a few copy threads; failures
// are kept and the run goes on; every copy is flushed before the closing
// report.
#include "copy/copy_run.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <utility>

#include "copy/copy_pipeline.h"
#include "copy/copy_workers.h"
#include "copy/entry_plan.h"
#include "copy/serial_copies.h"
#include "fsys/set_aside.h"

namespace tolvane::copy {
namespace {

void show_progress(std::size_t index, CopyFrontEnd& front_end) { front_end.progress(index); }

void count(const CopyJob& job, std::error_code error, fsys::CopyOutcome outcome,
           CopyReport& report) {
  if (error) {
    report.failures.push_back({job.index, job.source, job.target, CopyOperation::copy_file, error});
  } else if (outcome == fsys::CopyOutcome::replaced) {
    ++report.replaced;
  } else if (outcome == fsys::CopyOutcome::unchanged) {
    ++report.unchanged;
  } else if (outcome == fsys::CopyOutcome::set_aside) {
    ++report.set_aside;
  }
}

// Tells the front end about each entry in list order, however the copies
// finish: a front end that prints one line per entry prints them in order.
// Holds only the entries finished ahead of an earlier one still copying.
class EntryReports {
 public:
  explicit EntryReports(CopyFrontEnd& front_end) : front_end_(front_end) {}

  void copied(CopyJob& job, std::error_code error, fsys::CopyOutcome outcome) {
    std::optional<CopyFailure> failure;
    if (error)
      failure = CopyFailure{job.index, job.source, job.target, CopyOperation::copy_file, error};
    // Most entries finish in list order: those are told at once, without
    // being kept.
    if (job.index == next_ && waiting_.empty()) {
      front_end_.entry_done({job.index, job.source, job.target, job.renumbered, outcome,
                             failure ? &*failure : nullptr});
      ++next_;
      return;
    }
    add(job.index, {std::move(job.source), std::move(job.target), job.renumbered, outcome,
                    std::move(failure)});
  }
  void refused(const CopyFailure& failure) {
    add(failure.index, {failure.source, failure.target, false, fsys::CopyOutcome::copied, failure});
  }
  void left_out(std::size_t index, std::string source) {
    add(index, {std::move(source), {}, false, fsys::CopyOutcome::unchanged, std::nullopt, true});
  }

 private:
  struct Finished {
    std::string source, target;
    bool renumbered;
    fsys::CopyOutcome outcome;
    std::optional<CopyFailure> failure;
    bool earlier_copy = false;
  };

  void add(std::size_t index, Finished entry) {
    waiting_.emplace(index, std::move(entry));
    for (auto next = waiting_.begin(); next != waiting_.end() && next->first == next_;
         next = waiting_.erase(next), ++next_) {
      const Finished& done = next->second;
      front_end_.entry_done({next->first, done.source, done.target, done.renumbered, done.outcome,
                             done.failure ? &*done.failure : nullptr, done.earlier_copy});
    }
  }

  CopyFrontEnd& front_end_;
  std::map<std::size_t, Finished> waiting_;
  std::size_t next_ = 0;
};

// Plans every entry in list order on the run's thread and hands the copies
// to `pipeline`; takes their results back as they finish.  A copy whose
// name the volume takes for another copy's of this run goes back with its
// next name.  Progress names the entry about to be copied when `serial`
// (every step then happens on this thread, in list order); otherwise it
// counts the entries finished, stepping through the same values and texts.
void copy_through(CopyPipeline& pipeline, bool serial, EntryPlanner& planner,
                  CopyFrontEnd& front_end, RunRecorder* recorder, CopyReport& report) {
  EntryReports entries(front_end);
  const std::chrono::milliseconds patience = front_end.keep_alive_interval();
  std::vector<CopyResult> results;
  std::vector<CopyJob> renamed;
  std::size_t finished = 0;
  const auto settle = [&](std::chrono::milliseconds wait, bool or_room) {
    results.clear();
    pipeline.take_results(results, wait, or_room);
    for (CopyResult& result : results) {
      if (!result.error && result.outcome == fsys::CopyOutcome::name_held_by_run) {
        planner.renumber(result.job);
        renamed.push_back(std::move(result.job));
        continue;
      }
      if (recorder != nullptr && !result.error && result.outcome != fsys::CopyOutcome::unchanged) {
        recorder->named(result);
      }
      count(result.job, result.error, result.outcome, report);
      entries.copied(result.job, result.error, result.outcome);
      if (!serial) show_progress(finished++, front_end);
    }
    // Not finished: copied again under their next names.
    if (!renamed.empty()) pipeline.hand_out(renamed);
    if (wait.count() > 0) front_end.keep_alive();
  };

  // Planned jobs go out a few at a time, and finished ones are taken as
  // often: one lock of the copy threads per few entries, not three per entry.
  std::vector<CopyJob> planned;
  const auto hand_out_planned = [&] {
    while (!pipeline.has_room_for(planned.size())) settle(patience, true);
    pipeline.hand_out(planned);
    settle(std::chrono::milliseconds(0), false);
  };
  const std::size_t per_hand_out = serial ? 1 : jobs_per_wake;
  CopyJob job;
  CopyFailure failure;
  for (std::size_t i = 0; i < planner.entries(); ++i) {
    if (planner.left_out(i)) {
      ++report.earlier_copies;
      if (serial) show_progress(i, front_end);
      entries.left_out(i, front_end.source_path(i));
      if (!serial) show_progress(finished++, front_end);
      continue;
    }
    planner.begin(i);
    if (serial) show_progress(i, front_end);
    if (planner.finish(job, failure)) {
      planned.push_back(std::move(job));
      if (planned.size() >= per_hand_out) hand_out_planned();
    } else {
      entries.refused(failure);
      report.failures.push_back(std::move(failure));
      if (!serial) show_progress(finished++, front_end);
    }
  }
  if (!planned.empty()) hand_out_planned();
  pipeline.last_job_handed_out();
  while (pipeline.outstanding() > 0) settle(patience, false);
  // Results arrive as copies finish; the report lists them in entry order.
  std::sort(report.failures.begin(), report.failures.end(),
            [](const CopyFailure& a, const CopyFailure& b) { return a.index < b.index; });
}

}  // namespace

CopyReport copy_entries(const std::string& destination, fsys::FileSystem& file_system,
                        CopyFrontEnd& front_end, std::size_t workers, RunRecorder* recorder) {
  CopyReport report;
  report.set_aside_folder = fsys::set_aside_folder(destination, front_end.set_aside_folder_name());
  file_system.set_destination_root(destination, front_end.set_aside_folder_name());
  EntryPlanner planner(destination, file_system, front_end, recorder);
  report.entries = planner.entries();
  if (workers <= 1) {
    SerialCopies pipeline(file_system, recorder);
    copy_through(pipeline, true, planner, front_end, recorder, report);
  } else {
    CopyWorkers pipeline(file_system, workers, workers * jobs_per_worker, recorder);
    copy_through(pipeline, false, planner, front_end, recorder, report);
  }

  // Done must mean on the device: the user may unplug it next.
  if (report.entries > 0) {
    front_end.flushing(report.entries - 1);
    report.flush_error = file_system.flush();
    if (recorder != nullptr) recorder->run_ended();
    // The run ends on its own last progress line.
    front_end.progress(report.entries - 1);
  }
  return report;
}

}  // namespace tolvane::copy
