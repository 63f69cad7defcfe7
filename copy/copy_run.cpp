// The copy run: entries planned in list order on the run's thread, their
// data copied there or by a few copy threads; failures are kept and the run
// goes on; every copy is flushed before the closing report.
#include "copy/copy_run.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>

#include "copy/copy_workers.h"
#include "copy/entry_plan.h"
#include "copy/failure_reason.h"
#include "fsys/set_aside.h"
#include "scan/folder_walk.h"

namespace tolvane::copy {
namespace {

constexpr std::string_view progress_prefix = "进度：";
constexpr std::string_view flushing_suffix = "，正在写入磁盘…";

// How long the run's thread waits for a copy before it lets the window
// answer the window system again: a 100 MiB copy must not look like a hang.
constexpr std::chrono::milliseconds patience{50};

// Jobs waiting per copy thread: enough that no thread idles while the run's
// thread names the next entries, few enough that memory stays flat.
constexpr std::size_t jobs_per_worker = 4;

std::string_view operation_text(CopyOperation operation) {
  switch (operation) {
    case CopyOperation::make_folder:
      return "无法创建文件夹";
    case CopyOperation::copy_file:
      return "无法拷贝";
    case CopyOperation::check_name:
      return "目标名不可用：含路径分隔符、“.”或“..”，或文件系统不允许的字符";
  }
  return "";
}

std::string progress_caption(std::size_t index, CopyWindow& window) {
  std::string caption(progress_prefix);
  caption += progress_percent_text(index, window.progress_max());
  return caption;
}

void show_progress(std::size_t index, CopyWindow& window) {
  window.set_progress(static_cast<int>(std::min<std::size_t>(index, INT_MAX)),
                      progress_caption(index, window));
}

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

// Tells the window about each entry in list order, however the copies
// finish: a front end that prints one line per entry prints them in order.
// Holds only the entries finished ahead of an earlier one still copying.
class EntryReports {
 public:
  explicit EntryReports(CopyWindow& window) : window_(window) {}

  void copied(const CopyJob& job, std::error_code error, fsys::CopyOutcome outcome) {
    Finished entry{job.source, job.target, job.renumbered, outcome, std::nullopt};
    if (error)
      entry.failure =
          CopyFailure{job.index, job.source, job.target, CopyOperation::copy_file, error};
    add(job.index, std::move(entry));
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
      window_.entry_done({next->first, done.source, done.target, done.renumbered, done.outcome,
                          done.failure ? &*done.failure : nullptr});
    }
  }

  CopyWindow& window_;
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
void copy_serially(EntryPlanner& planner, fsys::FileSystem& file_system, CopyWindow& window,
                   CopyReport& report) {
  EntryReports entries(window);
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
      if (error || outcome != fsys::CopyOutcome::name_held_by_run) return settle(job, error, outcome);
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
  for (std::size_t i = 0; i < planner.entries(); ++i) {
    planner.begin(i);
    show_progress(i, window);
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
    if (batch.jobs.size() >= batch_limit ||
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
void copy_in_parallel(EntryPlanner& planner, fsys::FileSystem& file_system, CopyWindow& window,
                      CopyReport& report, std::size_t workers) {
  CopyWorkers pool(file_system, workers, workers * jobs_per_worker);
  EntryReports entries(window);
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
      show_progress(finished++, window);
    }
    if (wait.count() > 0) window.keep_alive();
  };

  CopyJob job;
  CopyFailure failure;
  for (std::size_t i = 0; i < planner.entries(); ++i) {
    planner.begin(i);
    if (planner.finish(job, failure)) {
      while (!pool.has_room()) settle(patience, true);
      pool.hand_out(std::move(job));
    } else {
      entries.refused(failure);
      report.failures.push_back(std::move(failure));
      show_progress(finished++, window);
    }
    settle(std::chrono::milliseconds(0), false);
  }
  pool.last_job_handed_out();
  while (pool.outstanding() > 0) settle(patience, false);
  // Results arrive as copies finish; the report lists them as a serial run does.
  std::sort(report.failures.begin(), report.failures.end(),
            [](const CopyFailure& a, const CopyFailure& b) { return a.index < b.index; });
}

}  // namespace

CopyReport copy_folder(const std::string& ipath, fsys::FileSystem& file_system, CopyWindow& window,
                       std::size_t workers) {
  CopyReport report;
  report.set_aside_folder = fsys::set_aside_folder(ipath);
  file_system.set_destination_root(ipath);
  EntryPlanner planner(ipath, file_system, window);
  report.entries = planner.entries();
  if (workers <= 1) {
    copy_serially(planner, file_system, window, report);
  } else {
    copy_in_parallel(planner, file_system, window, report, workers);
  }

  // "已完成" must mean on the device: the user may unplug it next.
  if (report.entries > 0) {
    const std::string caption = progress_caption(report.entries - 1, window);
    const int last = static_cast<int>(std::min<std::size_t>(report.entries - 1, INT_MAX));
    window.set_progress_now(last, caption + std::string(flushing_suffix));
    report.flush_error = file_system.flush();
    // The message then appears over the run's own last progress line.
    window.set_progress(last, caption);
  }

  window.show_report(closing_message(report), !report.failures.empty() || report.flush_error);
  return report;
}

std::optional<CopyReport> run_copy_command(std::string_view text2, fsys::FileSystem& file_system,
                                           CopyWindow& window, std::size_t workers) {
  std::optional<CopyReport> report;
  if (const std::optional<std::string> root = scan::folder_path_from_text(text2)) {
    report = copy_folder(*root, file_system, window, workers);
  }
  window.end_copy_command();
  return report;
}

std::string progress_percent_text(std::size_t index, float max) {
  const float divisor = max - 1.0f;
  const float quotient = static_cast<float>(index) / divisor;
  // One entry: Max - 1 is 0, and that entry is the whole run.
  if (divisor == 0.0f || !std::isfinite(quotient)) return "100.00%";

  // std::round rounds half away from zero; the float widens to double
  // exactly, so a quotient such as 1/32 really ends in 5 in the third place.
  const long long hundredths = std::llround(static_cast<double>(quotient) * 10000.0);
  const long long magnitude = std::llabs(hundredths);
  const long long fraction = magnitude % 100;
  std::string text = hundredths < 0 ? "-" : "";
  text += std::to_string(magnitude / 100);
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  text += static_cast<char>('0' + fraction % 10);
  text += '%';
  return text;
}

std::string failure_text(const CopyFailure& failure) {
  // A refused name is its own reason; the system was never asked.
  if (failure.operation == CopyOperation::check_name) {
    if (const std::optional<std::string> what = refused_in_name(failure.target)) {
      return "目标名不可用：名称" + *what + "，文件系统不允许";
    }
    return std::string(operation_text(failure.operation));
  }
  std::string text(operation_text(failure.operation));
  text += "，";
  text += failure_reason(failure.error, failure.target);
  return text;
}

std::string closing_message(const CopyReport& report) {
  std::string text = "已完成" + std::to_string(report.entries) + "条。";
  if (report.replaced > 0) {
    text += "\n其中" + std::to_string(report.replaced) + "条替换了原有文件，原文件已移入回收站。";
  }
  if (report.set_aside > 0) {
    text += "\n其中" + std::to_string(report.set_aside) +
            "条替换了原有文件，该磁盘没有可用的回收站，原文件已按原来的相对路径移入“" +
            report.set_aside_folder + "”。";
  }
  if (report.unchanged > 0) {
    text += "\n其中" + std::to_string(report.unchanged) + "条与原有文件相同，未重新拷贝。";
  }
  if (report.flush_error) {
    text += "\n写入磁盘时出错，拷贝可能不完整：" + failure_reason(report.flush_error);
  }
  if (report.failures.empty()) return text;

  text += "\n其中" + std::to_string(report.failures.size()) + "条失败：";
  const std::size_t listed = std::min(report.failures.size(), failures_listed);
  for (std::size_t k = 0; k < listed; ++k) {
    const CopyFailure& failure = report.failures[k];
    text += "\n";
    text += failure.source;
    text += " → ";
    text += failure.target;
    text += "：";
    text += failure_text(failure);
  }
  if (report.failures.size() > listed) {
    text += "\n另有" + std::to_string(report.failures.size() - listed) + "条失败未列出。";
  }
  return text;
}

}  // namespace tolvane::copy
