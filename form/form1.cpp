// Form1's load handler, its click handlers and the scan's side of the window.
#include "form/form1.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "app/undo_flow.h"
#include "app/user_texts.h"
#include "form/form1_run_display.h"
#include "form/form1_undo_display.h"
#include "form/refresh_pacer.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "scan/file_list.h"
#include "scan/folder_walk.h"

namespace tolvane::form {
namespace {

// Processing the window's events costs far more than listing a file, so the
// scan does it only when this much time has passed since the last time.
constexpr std::chrono::milliseconds events_interval{15};
// The views lay out every row they hold when new rows are shown, so that
// costs more the longer the list grows; waiting this many times as long as
// the last time took keeps it a small share of the scan however long the
// list gets, instead of a share that grows with it.
constexpr int events_cost_spacing = 4;

int bar_steps(float value) {
  if (std::isnan(value)) return 0;
  const double clamped =
      std::clamp<double>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  return static_cast<int>(std::lround(clamped));
}

// A plan's run keeps the window painted and answering the window system,
// taking no input; its progress is no copy's, and the bar stays as it is.
class PlanKeepAlive final : public app::CopyEvents {
 public:
  explicit PlanKeepAlive(Form1Controls& controls) : controls_(controls) {}

  void progress(int /*value*/, std::string_view /*caption*/, bool /*at_once*/) override {
    keep_alive();
  }
  void keep_alive() override {
    if (!pacer_.due()) return;
    controls_.keep_alive();
    pacer_.refreshed();
  }

 private:
  Form1Controls& controls_;
  RefreshPacer pacer_;
};

}  // namespace

Form1::Form1(Form1Controls& controls, app::Session& session)
    : controls_(controls), session_(session) {}

void Form1::Form_Load() {
  controls_.set_caption(Control::Form1, "Tolvane Vurla");
  controls_.set_caption(Control::Command1, "开始读取");
  controls_.set_caption(Control::Label1, "显示信息：");
  controls_.set_caption(Control::Label2,
                        "当前读取" + std::to_string(controls_.lists().size()) + "条");
  controls_.set_caption(Control::Label3, "读取的目录(文件夹)：");
  controls_.set_caption(Control::Label4, "扩展名：");
  controls_.set_caption(Control::Label6, std::string(app::progress_prefix));
  controls_.set_caption(Control::Label5, "另存为目录(文件夹)：");
  controls_.set_caption(Control::Label7, "Vurla 软件工作室");
  controls_.set_caption(Control::Label8, "https://vurla.example.com");
  controls_.set_text(Control::Text1, fsys::start_folder_text);
  controls_.set_text(Control::Text2, fsys::start_folder_text);
  controls_.set_caption(Control::Command2, "拷贝");
  set_command2_enabled(false);
  for (const char* item :
       {".jpg", ".png", ".raw", ".bmp", ".JPEG", ".pdf", ".txt", ".docx", ".*"}) {
    controls_.add_combo_item(item);
  }
  controls_.set_combo_index(0);
  progress_min_ = 0;
  set_progress_value(0);
  controls_.set_check_value(0);
  follow_undo();
  follow_preview();
}

bool Form1::undo_available() {
  return !busy() && session_.can_undo(controls_.text(Control::Text2));
}

void Form1::follow_undo() { controls_.set_undo_enabled(undo_available()); }

void Form1::Text2_Change() {
  follow_undo();
  follow_preview();
}

bool Form1::preview_available() {
  return !busy() && controls_.lists().size() > 0 && !controls_.text(Control::Text2).empty();
}

void Form1::follow_preview() { controls_.set_preview_enabled(preview_available()); }

void Form1::Preview_Click() {
  if (!preview_available()) return;
  const std::string text2 = controls_.text(Control::Text2);
  copying_ = true;  // no press may start a run under the plan or its message
  const app::DestinationCheck destination = session_.check_destination(text2);
  if (const std::optional<std::string> refusal = app::destination_refusal(destination)) {
    controls_.show_message(*refusal, true);
    copying_ = false;
    return;
  }
  PlanKeepAlive events(controls_);
  app::CopyPlan plan = session_.plan_rows(copy_request(text2, {}), events);
  copying_ = false;
  controls_.show_plan(std::move(plan));
}

app::CopyRequest Form1::copy_request(std::string destination_text, std::vector<std::string> made) {
  return {
      .files = controls_.lists(),
      .destination_text = std::move(destination_text),
      .extension = extension_text(),
      .flat = controls_.check_value() == 1,
      .folders_made = std::move(made),
      .progress_max = progress_max_,
      .folders_unreadable = folders_unreadable_,
      .workers = copy_workers_,
  };
}

void Form1::Undo_Click() {
  if (busy()) return;
  copying_ = true;  // the boxes are modal, the undo holds the window: no press may start a run
  Form1UndoDisplay display(*this);
  const app::UndoOutcome outcome =
      session_.undo(controls_.text(Control::Text2), app::UndoMode::ask_first, display);
  if (!outcome.message.empty()) {
    controls_.run_ended();
    controls_.show_message(outcome.message, outcome.warning);
  }
  display.finish();
  copying_ = false;
  follow_undo();
  follow_preview();
}

void Form1::Combo1_Click() {
  if (busy()) return;
  const int index = controls_.combo_index();
  if (index >= 0) controls_.set_text(Control::Combo1, controls_.combo_item(index));
}

// Both buttons refuse presses while the listing yields; afterwards they get
// back the state they had, and Command2 then follows the scan's count.
class Form1::ScanGuard {
 public:
  explicit ScanGuard(Form1& form)
      : form_(form),
        controls_(form.controls_),
        command1_had_focus_(controls_.has_focus(Control::Command1)) {
    form_.scanning_ = true;
    controls_.set_enabled(Control::Command1, false);
    controls_.set_enabled(Control::Command2, false);
    focus_moved_to_ = controls_.focus_mark();
    form_.last_events_ = std::chrono::steady_clock::now();
    form_.events_wait_ = events_interval;
  }
  ~ScanGuard() {
    controls_.show_new_rows();
    controls_.set_enabled(Control::Command1, true);
    controls_.set_enabled(Control::Command2, form_.command2_enabled_);
    // Disabling the focused button moved the focus on; give it back unless
    // the user has put it somewhere else meanwhile.
    if (command1_had_focus_ && controls_.focus_mark() == focus_moved_to_) {
      controls_.set_focus(Control::Command1);
    }
    form_.scanning_ = false;
  }
  ScanGuard(const ScanGuard&) = delete;
  ScanGuard& operator=(const ScanGuard&) = delete;

 private:
  Form1& form_;
  Form1Controls& controls_;
  bool command1_had_focus_;
  std::uintptr_t focus_moved_to_ = 0;
};

Form1::~Form1() = default;

void Form1::Command1_Click() {
  // A press that slips through while a run yields would start a second scan
  // over the first one's list, or empty the list a copy run is reading.
  if (busy()) return;
  controls_.clear_lists();
  follow_preview();
  set_progress_value(0);
  controls_.set_caption(Control::Label6, std::string(app::progress_prefix));
  stop_.clear();
  const app::ScanOutcome scanned =
      session_.scan({controls_.text(Control::Text1), scan::DottedFolders::left_out, &stop_}, *this);
  scan_guard_.reset();
  folders_unreadable_ = scanned.result.folders_unreadable;
  const std::size_t count = controls_.lists().size();
  // A scan is never silent about what it did not read: the count line says
  // why it read nothing, and how many folders it could not read or left out
  // by the dot rule; the pointer and assistive tools reach which and why.
  controls_.set_caption(Control::Label2,
                        app::count_caption(count, scanned.result, scanned.nothing_read));
  controls_.set_description(Control::Label2, app::scan_details(scanned.result));
  if (count > 0) {
    set_command2_enabled(true);
    set_progress_max(static_cast<float>(count));
  }
  follow_preview();
  if (close_requested_) {
    close_requested_ = false;
    controls_.close_window();
  } else {
    // The count is there to read: a user gone elsewhere is called back.
    controls_.run_ended();
  }
}

void Form1::Command2_Click() {
  if (busy()) return;
  const std::string text2 = controls_.text(Control::Text2);
  const app::DestinationCheck destination = session_.check_destination(text2);
  if (const std::optional<std::string> refusal = app::destination_refusal(destination)) {
    // Nothing is copied, and the list stays ready: the user mends the text
    // and presses again, with no new scan.
    copying_ = true;  // the message is modal; no press may start a run under it
    controls_.show_message(*refusal, true);
    copying_ = false;
    return;
  }
  std::vector<std::string> made;
  if (destination.missing && !destination_made(destination, made)) return;
  copying_ = true;
  stop_.clear();
  stop_asked_ = StopAsked::no;
  close_after_copy_ = false;
  copy_running_ = true;
  // The run's values are the controls' as the button is pressed: the window
  // takes no input until the run has ended, but Escape and the close button.
  Form1RunDisplay display(*this);
  app::CopyRequest request = copy_request(text2, std::move(made));
  request.stop = &stop_;
  const app::CopyOutcome outcome = session_.copy(request, display);
  copy_running_ = false;
  if (outcome.declined) {
    // No to copying without a journal: nothing was copied, and the list
    // stays ready, as after a No to making the destination.
    copying_ = false;
    return;
  }
  // The message appears over the run's own last progress line.
  if (outcome.report) display.show_report(outcome.closing_message, outcome.warning);
  end_copy_command();
  copying_ = false;
  follow_undo();
  follow_preview();
  if (close_after_copy_) {
    close_after_copy_ = false;
    controls_.close_window();
  }
}

bool Form1::destination_made(const app::DestinationCheck& destination,
                             std::vector<std::string>& made) {
  // Asked first, by the path it would have, so that a slip of the keyboard
  // makes no folder.  A No, or a folder that cannot be made, copies nothing
  // and keeps the list ready, as a refused text does.
  copying_ = true;  // the boxes are modal; no press may start a run under them
  bool ready = false;
  if (controls_.ask_yes_no(app::destination_question(destination.shown))) {
    if (const std::error_code error = session_.make_destination(destination.root, made)) {
      controls_.show_message(app::destination_not_made(destination.shown, error), true);
    } else {
      ready = true;
    }
  }
  copying_ = false;
  return ready;
}

void Form1::end_copy_command() {
  set_progress_value(0);
  set_command2_enabled(false);
  controls_.show_task_progress(TaskProgress::none, 0, 0);
}

void Form1::set_command2_enabled(bool enabled) {
  command2_enabled_ = enabled;
  controls_.set_enabled(Control::Command2, enabled);
}

bool Form1::close_requested() {
  if (copy_running_ && !asking_to_stop_) {
    // A run already stopping is not asked about again.
    if (stop_.requested()) {
      close_after_copy_ = true;
    } else {
      stop_asked_ = StopAsked::by_close;
    }
    return false;
  }
  if (copying_) return false;
  if (scanning_) {
    stop_.request();
    close_requested_ = true;
    return false;
  }
  return true;
}

void Form1::Escape_Press() {
  if (scanning_) {
    stop_.request();
  } else if (copy_running_ && !asking_to_stop_ && !stop_.requested() &&
             stop_asked_ == StopAsked::no) {
    stop_asked_ = StopAsked::by_key;
  }
}

void Form1::ask_to_stop(std::size_t done) {
  if (stop_asked_ == StopAsked::no || asking_to_stop_) return;
  // The box is modal: the run waits in it, and a No goes on as if nothing
  // had been asked.
  asking_to_stop_ = true;
  if (controls_.ask_yes_no(app::stop_question(done, controls_.lists().size()))) {
    stop_.request();
    close_after_copy_ = stop_asked_ == StopAsked::by_close;
  }
  stop_asked_ = StopAsked::no;
  asking_to_stop_ = false;
}

std::string Form1::extension_text() { return controls_.text(Control::Combo1); }

void Form1::walk_starting() { scan_guard_ = std::make_unique<ScanGuard>(*this); }

void Form1::append_file(std::string_view path, std::string_view tag) {
  controls_.append_to_lists(path, tag);
}

bool Form1::yield() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_events_ >= events_wait_) {
    controls_.show_new_rows();
    controls_.process_events();
    last_events_ = std::chrono::steady_clock::now();
    events_wait_ = std::max<std::chrono::steady_clock::duration>(
        events_interval, (last_events_ - now) * events_cost_spacing);
  }
  return !close_requested_;
}

// Folders without a match never yield, so the window also breathes between
// folders and while one is read, as at a yield: presses are refused, the
// rest may go on.  A close asked for meanwhile stops the scan at its next file.
void Form1::breathe() { yield(); }

void Form1::set_progress_max(float value) {
  progress_max_ = value;
  show_progress();
}

void Form1::set_progress_value(float value) {
  progress_value_ = value;
  show_progress();
}

void Form1::show_task_progress(TaskProgress state, bool finished) {
  const int max = bar_steps(progress_max_);
  controls_.show_task_progress(state, finished ? max : bar_steps(progress_value_), max);
}

void Form1::show_progress() {
  controls_.show_progress(bar_steps(progress_min_), bar_steps(progress_max_),
                          bar_steps(progress_value_));
}

}  // namespace tolvane::form
