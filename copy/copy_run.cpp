// The copy run: entries planned in list order on the run's thread, their
// copies made through the pipeline there or by a few copy threads; failures
// are kept and the run goes on; every copy is flushed before the closing
// report.
#include "copy/copy_run.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <deque>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

#include "copy/copy_pipeline.h"
#include "copy/copy_workers.h"
#include "copy/entry_plan.h"
#include "copy/folder_groups.h"
#include "copy/run_recorder.h"
#include "copy/serial_copies.h"
#include "fsys/set_aside.h"
#include "scan/stop_flag.h"

namespace tolvane::copy {
namespace {

void count(const CopyJob& job, std::error_code error, fsys::CopyOutcome outcome,
           CopyReport& report) {
  if (error) {
    report.failures.push_back({job.index, job.source, job.target, CopyOperation::copy_file, error});
  } else if (outcome == fsys::CopyOutcome::replaced) {
    ++report.replaced;
    if (!job.replaces_copy_of.empty()) ++report.replaced_earlier_copies;
  } else if (outcome == fsys::CopyOutcome::unchanged) {
    ++report.unchanged;
  } else if (outcome == fsys::CopyOutcome::set_aside) {
    ++report.set_aside;
    if (!job.replaces_copy_of.empty()) ++report.set_aside_earlier_copies;
  }
}

// Before `job`'s copy starts: whether its target holds an earlier run's copy
// of another source, which no look at its size and time may take for this
// source's copy, and which the copy replaces if it takes the name.  Asked
// once, here: nothing of this run writes the target before its copy does.
// A target in a new folder is not asked of: a run into a new or empty
// destination never reads the earlier runs' journals.  `recorder` may be
// null.
void ask_whose_copy_is_there(RunRecorder* recorder, CopyJob& job) {
  job.replaces_copy_of =
      recorder != nullptr && !job.in_new_folder ? recorder->earlier_copy_at(job) : std::string();
}

// Tells of each entry in list order, however the copies finish: a front end
// that prints one line per entry prints them in order.  Holds only the
// entries finished ahead of an earlier one still copying.
class EntryReports {
 public:
  explicit EntryReports(CopyEvents& events) : events_(events) {}

  void copied(CopyJob& job, std::error_code error, fsys::CopyOutcome outcome) {
    std::unique_ptr<CopyFailure> failure;
    if (error) {
      failure = std::make_unique<CopyFailure>(
          CopyFailure{job.index, job.source, job.target, CopyOperation::copy_file, error});
    }
    // Only a copy that took the place of a file replaced anything.
    if (error ||
        (outcome != fsys::CopyOutcome::replaced && outcome != fsys::CopyOutcome::set_aside)) {
      job.replaces_copy_of.clear();
    }
    // Most entries finish in list order: those are told at once, without
    // being kept.
    if (job.index == next_ && waiting_.empty()) {
      events_.entry_done({job.index, job.source, job.target, job.renumbered, outcome,
                          failure.get(), false, job.replaces_copy_of});
      ++next_;
      ++told_;
      return;
    }
    add(job.index, {std::move(job.source), std::move(job.target), job.renumbered, outcome,
                    std::move(failure), false, std::move(job.replaces_copy_of)});
  }
  void refused(const CopyFailure& failure) {
    add(failure.index, {failure.source, failure.target, false, fsys::CopyOutcome::copied,
                        std::make_unique<CopyFailure>(failure), false, {}});
  }
  void left_out(std::size_t index, std::string_view source) {
    add(index,
        {std::string(source), {}, false, fsys::CopyOutcome::unchanged, nullptr, true, {}});
  }
  // A stopped run never tells the entries it dropped: those finished after
  // them are told now, in list order.
  void tell_the_rest() {
    for (std::size_t place = 0; place < waiting_.size(); ++place) {
      if (waiting_[place]) tell(next_ + place, *waiting_[place]);
    }
    waiting_.clear();
  }
  // How many entries have been told.
  std::size_t told() const { return told_; }

 private:
  struct Finished {
    std::string source, target;
    bool renumbered;
    fsys::CopyOutcome outcome;
    // Rare: kept apart, so that the entries waiting their turn stay small.
    std::unique_ptr<CopyFailure> failure;
    bool earlier_copy = false;
    std::string replaces_copy_of;
  };

  void add(std::size_t index, Finished entry) {
    const std::size_t place = index - next_;
    if (place >= waiting_.size()) waiting_.resize(place + 1);
    waiting_[place] = std::move(entry);
    for (; !waiting_.empty() && waiting_.front(); waiting_.pop_front(), ++next_) {
      tell(next_, *waiting_.front());
    }
  }
  void tell(std::size_t index, const Finished& done) {
    events_.entry_done({index, done.source, done.target, done.renumbered, done.outcome,
                        done.failure.get(), done.earlier_copy,
                        done.replaces_copy_of});
    ++told_;
  }

  CopyEvents& events_;
  // The entries after next_ finished ahead of it, by their distance from it:
  // copies grouped by folder finish up to a window of entries early.
  std::deque<std::optional<Finished>> waiting_;
  std::size_t next_ = 0;
  std::size_t told_ = 0;
};

// Plans every entry in list order on the run's thread and hands the copies
// to `pipeline`; takes their results back as they finish.  A copy whose
// name the volume takes for another copy's of this run goes back with its
// next name.  Progress names the entry about to be copied when `serial`
// (every step then happens on this thread, in list order); otherwise it
// counts the entries finished, stepping through the same values and texts.
// Once `stop` is set, no job goes out any more and the pipeline drops what
// it has not named; the report then counts the entries told and those left.
void copy_through(CopyPipeline& pipeline, bool serial, EntryPlanner& planner,
                  const scan::FileList& listed, CopyEvents& events, RunRecorder* recorder,
                  const std::atomic<bool>* stop, CopyReport& report) {
  EntryReports entries(events);
  const std::chrono::milliseconds patience = events.keep_alive_interval();
  std::vector<CopyResult> results;
  std::vector<CopyJob> renamed;
  std::vector<CopyJob> planned;
  std::vector<CopyJob> going_out;  // planned and grouped, handed out from going_next on
  std::size_t going_next = 0;
  std::size_t finished = 0;
  // Looked at before each entry and after each wait for results, so that a
  // stop takes effect within a wait's patience whatever the batches hold.
  const auto stopped = [&] {
    if (report.stopped || !scan::stop_requested(stop)) return report.stopped;
    report.stopped = true;
    pipeline.stop();
    planned.clear();
    going_out.clear();
    going_next = 0;
    renamed.clear();
    return true;
  };
  const auto settle = [&](std::chrono::milliseconds wait, bool or_room) {
    results.clear();
    pipeline.take_results(results, wait, or_room);
    for (CopyResult& result : results) {
      if (!result.error && result.outcome == fsys::CopyOutcome::name_held_by_run) {
        planner.renumber(result.job);
        ask_whose_copy_is_there(recorder, result.job);
        renamed.push_back(std::move(result.job));
        continue;
      }
      if (recorder != nullptr && !result.named_in_batch &&
          took_name(result.error, result.outcome)) {
        recorder->named_whole(result);
      }
      count(result.job, result.error, result.outcome, report);
      entries.copied(result.job, result.error, result.outcome);
      if (!serial) events.progress(finished++);
    }
    if (wait.count() > 0) events.keep_alive();
    // Not finished: copied again under their next names, unless the run
    // stops (the keep-alive above is where a window asks).
    if (!renamed.empty() && !stopped()) pipeline.hand_out(renamed);
  };

  // Planned jobs go out a few at a time, and finished ones are taken as
  // often: one lock of the copy threads per few entries, not three per entry.
  // With copy threads, a window of planned jobs goes out grouped by target
  // folder while the next window is planned; a serial run copies each entry
  // as it is planned.
  const std::size_t per_hand_out = serial ? 1 : jobs_per_wake;
  FolderWindows windows(!serial, per_hand_out);
  std::vector<CopyJob> chunk;
  // Hands out the rest of `going_out`, waiting for room when `wait`, or
  // else as much as there is room for.
  const auto hand_out_going = [&](bool wait) {
    while (going_next < going_out.size()) {
      const std::size_t count = std::min(per_hand_out, going_out.size() - going_next);
      if (!pipeline.has_room_for(count)) {
        if (!wait) return;
        settle(patience, true);
        if (stopped()) return;
        continue;
      }
      const auto first = going_out.begin() + static_cast<std::ptrdiff_t>(going_next);
      chunk.assign(std::make_move_iterator(first),
                   std::make_move_iterator(first + static_cast<std::ptrdiff_t>(count)));
      going_next += count;
      pipeline.hand_out(chunk);
      settle(std::chrono::milliseconds(0), false);
    }
    going_out.clear();
    going_next = 0;
  };
  // The window planned goes out once the last one has; grouped, it goes
  // out while the next is planned.
  const auto close_window = [&] {
    hand_out_going(true);
    if (report.stopped) return;
    const bool grouped = windows.close(planned);
    going_out.swap(planned);
    hand_out_going(!grouped);
  };
  CopyJob job;
  CopyFailure failure;
  for (std::size_t i = 0; i < planner.entries() && !stopped(); ++i) {
    if (planner.left_out(i)) {
      ++report.earlier_copies;
      if (serial) events.progress(i);
      entries.left_out(i, listed.path(i));
      if (!serial) events.progress(finished++);
      continue;
    }
    planner.begin(i);
    if (serial) events.progress(i);
    if (planner.finish(job, failure)) {
      ask_whose_copy_is_there(recorder, job);
      windows.planned(job);
      planned.push_back(std::move(job));
      if (planned.size() >= windows.size()) {
        close_window();
      } else if (planned.size() % per_hand_out == 0) {
        hand_out_going(false);
      }
    } else {
      entries.refused(failure);
      report.failures.push_back(std::move(failure));
      if (!serial) events.progress(finished++);
    }
  }
  if (!stopped()) close_window();
  if (!stopped()) hand_out_going(true);
  pipeline.last_job_handed_out();
  while (pipeline.outstanding() > 0) {
    settle(patience, false);
    stopped();
  }
  if (report.stopped) {
    entries.tell_the_rest();
    report.left = planner.entries() - entries.told();
    report.entries = entries.told();
  }
  // Results arrive as copies finish; the report lists them in entry order.
  std::sort(report.failures.begin(), report.failures.end(),
            [](const CopyFailure& a, const CopyFailure& b) { return a.index < b.index; });
}

}  // namespace

CopyReport copy_entries(const CopyRequest& request, fsys::FileSystem& file_system,
                        CopyEvents& events, RunRecorder* recorder) {
  const std::string& destination = request.destination;
  CopyReport report;
  report.set_aside_folder = fsys::set_aside_folder(destination, request.set_aside_folder_name);
  file_system.set_destination_root(destination, request.set_aside_folder_name);
  EntryPlanner planner(request, file_system, recorder);
  report.entries = planner.entries();
  const std::size_t workers = request.workers;
  if (workers <= 1) {
    SerialCopies pipeline(file_system, recorder);
    copy_through(pipeline, true, planner, request.entries, events, recorder, request.stop, report);
  } else {
    CopyWorkers pipeline(file_system, workers, workers * jobs_per_worker, recorder);
    copy_through(pipeline, false, planner, request.entries, events, recorder, request.stop, report);
  }

  // Done must mean on the device: the user may unplug it next.  A stopped
  // run flushes the names it gave as well, and its progress stays where it
  // stopped.
  if (planner.entries() > 0) {
    const std::size_t last = report.entries > 0 ? report.entries - 1 : 0;
    events.flushing(last);
    report.flush_error = file_system.flush();
    if (recorder != nullptr) {
      if (report.stopped) recorder->run_stopped();
      recorder->run_ended();
    }
    // The run ends on its own last progress line.
    events.progress(last);
  }
  return report;
}

}  // namespace tolvane::copy
