// The benchmark driver: runs the real Form1 offscreen, presses its buttons as
// a user would, and prints what it measured as "name value" lines for
// bench/run.  Not part of the product.
//
//   tolvane_bench_driver disk FOLDER [--ext E] [--copy DEST] [--flat] [--expect N]
//                        [--workers N] [--no-flush] [--undo DEST]
//   tolvane_bench_driver synthetic FILES [--accessible]
//
// "disk" scans FOLDER (Text1, Command1) and, with --copy, copies the list into
// DEST (Text2, Command2), dismissing the closing message; --workers sets the
// number of copy threads, --no-flush leaves the copies in the page cache at
// the end, as cp without sync does; --undo then presses "撤销上次拷贝" over
// DEST, answers its question Yes at once and times it to its closing
// message.  "synthetic" scans a
// made-up tree of FILES files held by no disk, then scrolls List1, to measure
// the window's memory and the view at a million entries.  --accessible waits
// for the platform's accessibility bridge (AT-SPI under X) to come up and
// fails without it, so the scan is timed as a screen reader's user meets it.
// Besides the time to the click handler's return, a scan prints
// scan_settled_seconds: to the last event handled after it, before 100 ms
// without one.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/user_texts.h"
#include "bench/no_flush_file_system.h"
#include "bench/process_cpu.h"
#include "bench/synthetic_file_system.h"
#include "scan/file_list.h"
#include "ui/qt/form1.h"

namespace {

using tolvane::bench::process_cpu_seconds;
using tolvane::qt::Form1;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The machine's CPU time so far, from /proc/stat's first line: all of it,
// and the part spent neither idle nor waiting for the disk.  Around a copy,
// their differences say whether the run had the processors to itself and
// kept them busy (a run bound by the processors on a small machine) or
// waited.
struct MachineCpu {
  long long total = 0, busy = 0;
};
MachineCpu machine_cpu() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  long long value = 0, total = 0, idle = 0;
  stat >> cpu;
  for (int field = 0; field < 8 && stat >> value; ++field) {
    total += value;
    if (field == 3 || field == 4) idle += value;  // idle, iowait
  }
  return {total, total - idle};
}

// Notes when the application last handled an event that is not a timer's.
class EventClock final : public QObject {
 public:
  Clock::time_point last = Clock::now();
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Timer) last = Clock::now();
    return false;
  }
};

// What a click left queued (repaints, the accessibility bridge's exchanges
// with a screen reader) runs once its handler returns: the seconds from
// `start` to the last event handled before 100 ms without one.
double settled_seconds(Clock::time_point start) {
  EventClock clock;
  QCoreApplication::instance()->installEventFilter(&clock);
  while (seconds_since(clock.last) < 0.1) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  QCoreApplication::instance()->removeEventFilter(&clock);
  return std::chrono::duration<double>(clock.last - start).count();
}

// The most memory the process has held so far, in KiB.
long peak_rss_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The memory the process holds now, in KiB.
long current_rss_kib() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void print(const char* name, double value) { std::printf("%s %.6f\n", name, value); }
void print(const char* name, long long value) { std::printf("%s %lld\n", name, value); }
void print(const char* name, const QString& value) {
  std::printf("%s %s\n", name, value.toUtf8().constData());
}

template <typename Control>
Control& control(Form1& form, const char* name) {
  auto* found = form.findChild<Control*>(QString::fromLatin1(name));
  if (found == nullptr) {
    std::fprintf(stderr, "no control %s\n", name);
    std::exit(2);
  }
  return *found;
}

struct Options {
  std::string mode;
  std::string folder;
  std::size_t synthetic_files = 0;
  std::string extension = ".jpg";
  std::optional<std::string> destination;
  bool flat = false;
  bool accessible = false;
  std::optional<long long> expected;
  std::optional<std::size_t> workers;
  bool no_flush = false;
  std::optional<std::string> undo;  // the folder whose last run to undo
};

Options parse(int argc, char** argv) {
  Options options;
  const auto usage = [] {
    std::fprintf(stderr,
                 "usage: tolvane_bench_driver disk FOLDER [--ext E] [--copy DEST] [--flat] "
                 "[--expect N] [--workers N] [--no-flush] [--undo DEST]\n"
                 "       tolvane_bench_driver synthetic "
                 "FILES [--accessible]\n");
    std::exit(2);
  };
  if (argc < 3) usage();
  options.mode = argv[1];
  if (options.mode == "disk") {
    options.folder = argv[2];
  } else if (options.mode == "synthetic") {
    options.synthetic_files = std::strtoull(argv[2], nullptr, 10);
  } else {
    usage();
  }
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--ext" && has_value) {
      options.extension = argv[++i];
    } else if (arg == "--copy" && has_value) {
      options.destination = argv[++i];
    } else if (arg == "--flat") {
      options.flat = true;
    } else if (arg == "--accessible") {
      options.accessible = true;
    } else if (arg == "--expect" && has_value) {
      options.expected = std::atoll(argv[++i]);
    } else if (arg == "--workers" && has_value) {
      options.workers = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--no-flush") {
      options.no_flush = true;
    } else if (arg == "--undo" && has_value) {
      options.undo = argv[++i];
    } else {
      usage();
    }
  }
  return options;
}

// Presses Command1 and reports the scan; false when Label2 does not show the
// list's count (or the count is not the one expected).
bool run_scan(Form1& form, const Options& options, const QString& folder_text) {
  control<QLineEdit>(form, "Text1").setText(folder_text);
  control<QComboBox>(form, "Combo1").setEditText(QString::fromStdString(options.extension));
  const long rss_before = current_rss_kib();

  // The scan runs to its end inside the click handler.
  const Clock::time_point start = Clock::now();
  control<QPushButton>(form, "Command1").click();
  const double seconds = seconds_since(start);
  const double settled = settled_seconds(start);

  const tolvane::scan::FileList& list = form.file_list();
  const auto count = static_cast<long long>(list.size());
  long long path_bytes = 0;
  for (std::size_t i = 0; i < list.size(); ++i)
    path_bytes += static_cast<long long>(list.path(i).size());
  const long rss_after = current_rss_kib();
  // What the window still holds, without the scan's freed scratch that the
  // allocator keeps for reuse.
  malloc_trim(0);
  const long rss_held = current_rss_kib();
  const double per_entry = count > 0 ? 1.0 / static_cast<double>(count) : 0.0;

  print("scan_seconds", seconds);
  print("scan_settled_seconds", settled);
  print("count", count);
  print("scan_seconds_per_file", seconds * per_entry);
  print("peak_rss_kib", static_cast<long long>(peak_rss_kib()));
  print("rss_before_scan_kib", static_cast<long long>(rss_before));
  print("rss_after_scan_kib", static_cast<long long>(rss_after));
  print("path_bytes_per_entry", static_cast<double>(path_bytes) * per_entry);
  print("list_bytes_per_entry", static_cast<double>(list.memory_bytes()) * per_entry);
  print("list_bytes_beyond_paths_per_entry",
        static_cast<double>(static_cast<long long>(list.memory_bytes()) - path_bytes) * per_entry);
  const auto growth_beyond_paths = [&](long rss) {
    return (static_cast<double>(rss - rss_before) * 1024.0 - static_cast<double>(path_bytes)) *
           per_entry;
  };
  print("rss_trimmed_after_scan_kib", static_cast<long long>(rss_held));
  print("rss_growth_beyond_paths_per_entry", growth_beyond_paths(rss_after));
  print("rss_held_beyond_paths_per_entry", growth_beyond_paths(rss_held));
  print("peak_growth_per_entry",
        static_cast<double>(peak_rss_kib() - rss_before) * 1024.0 * per_entry);
  print("peak_growth_beyond_paths_per_entry", growth_beyond_paths(peak_rss_kib()));

  const QString label = control<QLabel>(form, "Label2").text();
  const QString wanted = QStringLiteral("共计读取") + QString::number(count) + QStringLiteral("条");
  print("label2", label);
  bool ok = label == wanted;
  if (options.expected && *options.expected != count) ok = false;
  if (!ok) std::fprintf(stderr, "scan check failed: %s\n", label.toUtf8().constData());
  return ok;
}

// Presses Command2 and reports the copy run; false when the closing message
// does not say every entry is done or names a failure.
bool run_copy(Form1& form, const Options& options) {
  control<QLineEdit>(form, "Text2").setText(QString::fromStdString(*options.destination));
  control<QCheckBox>(form, "Check1").setChecked(options.flat);

  // The closing message is modal; it is read and dismissed as soon as it
  // shows.  The run itself processes no timers, so this fires only then.
  QString report;
  double seconds_to_report = 0;
  const Clock::time_point start = Clock::now();
  QTimer dismiss;
  dismiss.setInterval(1);
  QObject::connect(&dismiss, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    // A question before the copy (a journal that cannot be written) is
    // answered yes: the run goes on, as tolvane-cli's does.
    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
      yes->click();
      return;
    }
    seconds_to_report = seconds_since(start);
    report = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  dismiss.start();
  const MachineCpu machine_before = machine_cpu();
  const double cpu_before = process_cpu_seconds();
  control<QPushButton>(form, "Command2").click();
  const double seconds = seconds_since(start);
  const double cpu_seconds = process_cpu_seconds() - cpu_before;
  const MachineCpu machine_after = machine_cpu();
  dismiss.stop();

  const auto count = static_cast<long long>(form.file_list().size());
  print("copy_seconds", seconds);
  print("copy_seconds_to_report", seconds_to_report);
  print("copy_seconds_per_file", count > 0 ? seconds / static_cast<double>(count) : 0.0);
  print("copy_peak_rss_kib", static_cast<long long>(peak_rss_kib()));
  print("copy_cpu_seconds", cpu_seconds);
  const long long machine_total = machine_after.total - machine_before.total;
  print("copy_machine_busy_share",
        machine_total > 0
            ? static_cast<double>(machine_after.busy - machine_before.busy) / machine_total
            : 0.0);
  print("copy_report", QString(report).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  // A run over earlier copies adds how many it left unchanged or replaced;
  // any failure line fails the check.
  const QString done = QStringLiteral("已完成") + QString::number(count) + QStringLiteral("条。");
  const QString same =
      QStringLiteral("条") +
      QString::fromUtf8(tolvane::app::unchanged_words.data(),
                        static_cast<qsizetype>(tolvane::app::unchanged_words.size())) +
      QStringLiteral("。");
  long long unchanged = 0;
  for (const QString& line : report.split(QLatin1Char('\n'))) {
    if (line.startsWith(QStringLiteral("其中")) && line.endsWith(same)) {
      unchanged = line.mid(2, line.size() - 2 - same.size()).toLongLong();
    }
  }
  print("unchanged", unchanged);
  const bool ok = report.startsWith(done) && !report.contains(QStringLiteral("失败")) &&
                  !report.contains(QStringLiteral("出错"));
  if (!ok) std::fprintf(stderr, "copy check failed: %s\n", report.toUtf8().constData());
  return ok;
}

// Scrolls List1 to its end and then to random places, painting each time:
// with uniform item sizes no step should measure rows.
void run_scroll(Form1& form) {
  auto& list = control<QListView>(form, "List1");
  QCoreApplication::processEvents();
  Clock::time_point start = Clock::now();
  list.scrollToBottom();
  list.repaint();
  print("scroll_to_end_seconds", seconds_since(start));

  QScrollBar& bar = *list.verticalScrollBar();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> place(bar.minimum(), std::max(bar.minimum(), bar.maximum()));
  std::vector<double> steps;
  for (int i = 0; i < 200; ++i) {
    start = Clock::now();
    bar.setValue(place(random));
    list.repaint();
    steps.push_back(seconds_since(start));
  }
  std::sort(steps.begin(), steps.end());
  print("scroll_step_median_seconds", steps[steps.size() / 2]);
  print("scroll_step_max_seconds", steps.back());
}

// Presses "撤销上次拷贝" over `destination`, answers its question Yes as soon
// as it shows, and reports the undo to its closing message, dismissed; false
// unless that message says everything the run did was taken back.
bool run_undo(Form1& form, const std::string& destination) {
  control<QLineEdit>(form, "Text2").setText(QString::fromStdString(destination));
  QString report;
  double seconds = 0;
  bool ended = false;
  const Clock::time_point start = Clock::now();
  QTimer answer;
  answer.setInterval(1);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
      yes->click();
      return;
    }
    seconds = seconds_since(start);
    report = box->text();
    box->button(QMessageBox::Ok)->click();
    ended = true;
  });
  answer.start();
  form.undo_action()->trigger();
  while (!ended && seconds_since(start) < 600) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  answer.stop();
  print("undo_seconds", seconds);
  print("undo_report", QString(report).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  const bool ok = ended && report.startsWith(QStringLiteral("已撤销")) &&
                  !report.contains(QStringLiteral("未撤销"));
  if (!ok) std::fprintf(stderr, "undo check failed: %s\n", report.toUtf8().constData());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const Options options = parse(argc, argv);
  QApplication application(argc, argv);

  std::unique_ptr<tolvane::fsys::FileSystem> file_system;
  QString folder_text;
  std::optional<long long> expected = options.expected;
  if (options.mode == "synthetic") {
    const std::string root = "/home/photographer/Pictures/Library";
    auto synthetic =
        std::make_unique<tolvane::bench::SyntheticFileSystem>(root, options.synthetic_files);
    expected = static_cast<long long>(synthetic->jpg_files());
    file_system = std::move(synthetic);
    folder_text = QString::fromStdString(root);
  } else {
    file_system = tolvane::fsys::make_native_file_system();
    if (options.no_flush) {
      file_system = std::make_unique<tolvane::bench::NoFlushFileSystem>(std::move(file_system));
    }
    folder_text = QString::fromStdString(options.folder);
  }

  Form1 form(std::move(file_system));
  if (options.workers) form.set_copy_workers(*options.workers);
  form.show();
  // The scan starts once the window is on the screen and quiet, so that
  // neither side pays for the first paint or the start-up's events.
  {
    const Clock::time_point start = Clock::now();
    while (!(form.windowHandle() && form.windowHandle()->isExposed()) && seconds_since(start) < 10)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (options.accessible) {
    // The bridge comes up once it has heard from the accessibility bus.
    const Clock::time_point start = Clock::now();
    while (!QAccessible::isActive() && seconds_since(start) < 10)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!QAccessible::isActive()) {
      std::fprintf(stderr, "no accessibility bridge came up\n");
      return 1;
    }
  }
  {
    const Clock::time_point settle = Clock::now();
    while (seconds_since(settle) < 1.0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  print("accessibility_active", static_cast<long long>(QAccessible::isActive()));
  print("startup_peak_rss_kib", static_cast<long long>(peak_rss_kib()));

  Options effective = options;
  effective.expected = expected;
  bool ok = run_scan(form, effective, folder_text);
  if (options.mode == "synthetic") run_scroll(form);
  if (ok && options.destination) ok = run_copy(form, options);
  if (ok && options.undo) ok = run_undo(form, *options.undo);
  std::fflush(stdout);
  return ok ? 0 : 1;
}
