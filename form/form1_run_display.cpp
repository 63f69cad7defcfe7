// Form1's side of a copy run.  Progress is kept for every entry but drawn
// only a few times a second: drawing costs far more than a small file's copy.
#include "form/form1_run_display.h"

#include "app/undo_texts.h"
#include "form/form1.h"

namespace tolvane::form {
Form1RunDisplay::Form1RunDisplay(Form1& form) : form_(form) {}

void Form1RunDisplay::progress(int value, std::string_view label6_caption, bool at_once) {
  form_.set_progress_value_quietly(static_cast<float>(value));
  progress_line_.assign(label6_caption);
  progress_shown_ = false;
  // Shown at once while the copies are put on the device at the end: from
  // then on nothing is left to stop.
  if (at_once) stoppable_ = false;
  if (at_once || pacer_.due()) refresh_window();
}

void Form1RunDisplay::keep_alive() {
  if (pacer_.due()) refresh_window();
}

void Form1RunDisplay::refresh_window() {
  if (!progress_shown_) {
    form_.show_progress();
    form_.controls().set_caption(Control::Label6, progress_line_);
    form_.show_task_progress(entries_failed_ ? TaskProgress::error : TaskProgress::normal);
    progress_shown_ = true;
  }
  form_.controls().keep_alive();
  if (stoppable_) form_.ask_to_stop(entries_done_);
  pacer_.refreshed();
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
  ++entries_done_;
}

bool Form1RunDisplay::copy_unrecorded(std::error_code why) {
  return form_.controls().ask_yes_no(app::unrecorded_question(why));
}

}  // namespace tolvane::form
