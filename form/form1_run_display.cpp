// Form1's side of a copy run.  Progress is kept for every entry but drawn
// only a few times a second: drawing costs far more than a small file's copy.
#include "form/form1_run_display.h"

#include "app/undo_texts.h"
#include "form/form1.h"

namespace tolvane::form {
namespace {

constexpr std::chrono::milliseconds refresh_interval{100};

}  // namespace

Form1RunDisplay::Form1RunDisplay(Form1& form)
    : form_(form), last_refresh_(std::chrono::steady_clock::now()) {}

void Form1RunDisplay::progress(int value, std::string_view label6_caption, bool at_once) {
  form_.set_progress_value_quietly(static_cast<float>(value));
  progress_line_.assign(label6_caption);
  progress_shown_ = false;
  if (at_once || std::chrono::steady_clock::now() - last_refresh_ >= refresh_interval) {
    refresh_window();
  }
}

void Form1RunDisplay::keep_alive() {
  if (std::chrono::steady_clock::now() - last_refresh_ >= refresh_interval) refresh_window();
}

void Form1RunDisplay::refresh_window() {
  if (!progress_shown_) {
    form_.show_progress();
    form_.controls().set_caption(Control::Label6, progress_line_);
    form_.show_task_progress(entries_failed_ ? TaskProgress::error : TaskProgress::normal);
    progress_shown_ = true;
  }
  form_.controls().keep_alive();
  last_refresh_ = std::chrono::steady_clock::now();
}

void Form1RunDisplay::show_report(std::string_view text, bool warning) {
  // The display ends in the run's exact last state before the message.
  if (!progress_shown_) {
    form_.show_progress();
    form_.controls().set_caption(Control::Label6, progress_line_);
    progress_shown_ = true;
  }
  // The taskbar shows the run ended, in red when anything went wrong, until
  // the message is dismissed (end_copy_command clears it).
  form_.show_task_progress(warning ? TaskProgress::error : TaskProgress::normal, true);
  form_.controls().run_ended();
  form_.controls().show_message(text, warning);
}

void Form1RunDisplay::entry_done(const copy::EntryResult& result) {
  if (result.failure != nullptr) entries_failed_ = true;
}

bool Form1RunDisplay::copy_unrecorded(std::error_code why) {
  return form_.controls().ask_yes_no(app::unrecorded_question(why));
}

}  // namespace tolvane::form
