// The copy run: entries planned in list order on the run's thread, their
// data copied there or by a few copy threads; failures are kept and the run
// goes on; every copy is flushed before the closing report.
#include "copy/copy_run.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <utility>

#include "copy/copy_workers.h"
#include "copy/entry_plan.h"
#include "fsys/set_aside.h"

namespace tolvane::copy {
namespace {

// How long the run's thread waits for a copy before it lets the front end
// answer the window system again: a 100 MiB copy must not look like a hang.
constexpr std::chrono::milliseconds patience{50};

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

 private:
  struct Finished {
    std::string source, target;
    bool renumbered;
    fsys::CopyOutcome outcome;
    std::optional<CopyFailure> failure;
  };

  void add(std::size_t index, Finished entry) {
    waiting_.emplace(index, std::move(entry));
    for (auto next = waiting_.begin(); next != waiting_.end() && next->first == next_;
         next = waiting_.erase(next), ++next_) {
      const Finished& done = next->second;
      front_end_.entry_done({next->first, done.source, done.target, done.renumbered, done.outcome,
                             done.failure ? &*done.failure : nullptr});
    }
  }

  CopyFrontEnd& front_end_;
  std::map<std::size_t, Finished> waiting_;
  std::size_t next_ = 0;
};

// The staged copies of a serial run, named a batch at a time.
struct SerialBatch {
  std::vector<CopyJob> jobs;
  std::vector<fsys::CopyNaming> namings;
  std::chrono::steady_clock::time_point opened;
};

// Every step on the run's thread, in list order; progress names the entry
// about to be copied.  Staged copies are named in batches, as the copy
// threads' are.
void copy_serially(EntryPlanner& planner, fsys::FileSystem& file_system, CopyFrontEnd& front_end,
                   CopyReport& report) {
  EntryReports entries(front_end);
  SerialBatch batch;
  const auto settle = [&](CopyJob& job, std::error_code error, fsys::CopyOutcome outcome) {
    count(job, error, outcome, report);
    entries.copied(job, error, outcome);
  };
  // Copies `job` at once; a name held by this run's own copy gives it the
  // next name, until one is free.
  const auto copy_now = [&](CopyJob& job) {
    for (;;) {
      fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
      const std::error_code error = file_system.copy_file(job.source, job.target, outcome);
      if (error || outcome != fsys::CopyOutcome::name_held_by_run)
        return settle(job, error, outcome);
      planner.renumber(job);
    }
  };
  const auto name_batch = [&] {
    file_system.name_copies(batch.namings);
    for (std::size_t k = 0; k < batch.jobs.size(); ++k) {
      CopyJob& job = batch.jobs[k];
      const fsys::CopyNaming& naming = batch.namings[k];
      if (!naming.error && naming.outcome == fsys::CopyOutcome::name_held_by_run) {
        planner.renumber(job);
        copy_now(job);
      } else {
        settle(job, naming.error, naming.outcome);
      }
    }
    batch.jobs.clear();
    batch.namings.clear();
  };

  CopyJob job;
  CopyFailure failure;
  // A batch the file system cannot keep unnamed would flush copies one by one.
  const std::size_t limit =
      std::clamp<std::size_t>(file_system.staged_copies_allowed(), 1, batch_limit);
  for (std::size_t i = 0; i < planner.entries(); ++i) {
    planner.begin(i);
    show_progress(i, front_end);
    if (!planner.finish(job, failure)) {
      entries.refused(failure);
      report.failures.push_back(std::move(failure));
      continue;
    }
    fsys::CopyStart start = file_system.start_copy(job.source, job.target);
    if (!start.staged) {
      if (!start.error && start.outcome == fsys::CopyOutcome::name_held_by_run) {
        planner.renumber(job);
        copy_now(job);
      } else {
        settle(job, start.error, start.outcome);
      }
      continue;
    }
    if (batch.jobs.empty()) batch.opened = std::chrono::steady_clock::now();
    batch.jobs.push_back(std::move(job));
    batch.namings.emplace_back().staged = std::move(start.staged);
    if (batch.jobs.size() >= limit ||
        std::chrono::steady_clock::now() - batch.opened >= batch_age) {
      name_batch();
    }
  }
  if (!batch.jobs.empty()) name_batch();
}

// The run's thread plans every entry in list order and hands the copies to
// `workers` threads; progress counts the entries that are finished, so it
// steps through the same values and texts as a serial run's.  Returns once
// every copy has returned.
void copy_in_parallel(EntryPlanner& planner, fsys::FileSystem& file_system, CopyFrontEnd& front_end,
                      CopyReport& report, std::size_t workers) {
  CopyWorkers pool(file_system, workers, workers * jobs_per_worker);
  EntryReports entries(front_end);
  std::vector<CopyResult> results;
  std::size_t finished = 0;
  const auto settle = [&](std::chrono::milliseconds wait, bool or_room) {
    results.clear();
    pool.take_results(results, wait, or_room);
    for (CopyResult& result : results) {
      if (!result.error && result.outcome == fsys::CopyOutcome::name_held_by_run) {
        // Not finished: copied again under its next name.
        planner.renumber(result.job);
        pool.hand_out(std::move(result.job));
        continue;
      }
      count(result.job, result.error, result.outcome, report);
      entries.copied(result.job, result.error, result.outcome);
      show_progress(finished++, front_end);
    }
    if (wait.count() > 0) front_end.keep_alive();
  };

  // Planned jobs go out a few at a time, and finished ones are taken as
  // often: one lock of the pool per few entries, not three per entry.
  std::vector<CopyJob> planned;
  const auto hand_out_planned = [&] {
    while (!pool.has_room_for(planned.size())) settle(patience, true);
    pool.hand_out(planned);
    settle(std::chrono::milliseconds(0), false);
  };
  CopyJob job;
  CopyFailure failure;
  for (std::size_t i = 0; i < planner.entries(); ++i) {
    planner.begin(i);
    if (planner.finish(job, failure)) {
      planned.push_back(std::move(job));
      if (planned.size() >= jobs_per_wake) hand_out_planned();
    } else {
      entries.refused(failure);
      report.failures.push_back(std::move(failure));
      show_progress(finished++, front_end);
    }
  }
  if (!planned.empty()) hand_out_planned();
  pool.last_job_handed_out();
  while (pool.outstanding() > 0) settle(patience, false);
  // Results arrive as copies finish; the report lists them as a serial run does.
  std::sort(report.failures.begin(), report.failures.end(),
            [](const CopyFailure& a, const CopyFailure& b) { return a.index < b.index; });
}

}  // namespace

CopyReport copy_entries(const std::string& destination, fsys::FileSystem& file_system,
                        CopyFrontEnd& front_end, std::size_t workers) {
  CopyReport report;
  report.set_aside_folder = fsys::set_aside_folder(destination, front_end.set_aside_folder_name());
  file_system.set_destination_root(destination, front_end.set_aside_folder_name());
  EntryPlanner planner(destination, file_system, front_end);
  report.entries = planner.entries();
  if (workers <= 1) {
    copy_serially(planner, file_system, front_end, report);
  } else {
    copy_in_parallel(planner, file_system, front_end, report, workers);
  }

  // Done must mean on the device: the user may unplug it next.
  if (report.entries > 0) {
    front_end.flushing(report.entries - 1);
    report.flush_error = file_system.flush();
    // The run ends on its own last progress line.
    front_end.progress(report.entries - 1);
  }
  return report;
}

}  // namespace tolvane::copy
