// Progress is kept for every step but drawn only a few times a second, the
// first and the last step at once: a step costs far less than drawing.
#include "form/form1_undo_display.h"

#include <algorithm>
#include <climits>
#include <string>

#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "form/form1.h"

namespace tolvane::form {
namespace {

int bar_steps(std::size_t count) { return static_cast<int>(std::min<std::size_t>(count, INT_MAX)); }

}  // namespace

Form1UndoDisplay::Form1UndoDisplay(Form1& form) : form_(form) {}

bool Form1UndoDisplay::confirm(std::string_view question) {
  return form_.controls().ask_yes_no(question);
}

void Form1UndoDisplay::progress(std::size_t done, std::size_t total) {
  done_ = done;
  total_ = total;
  shown_ = false;
  drawing_ = true;
  // The first step at once: the answered question goes from the screen.
  if (done == 0 || done == total || pacer_.due()) refresh_window();
}

void Form1UndoDisplay::keep_alive() {
  if (pacer_.due()) refresh_window();
}

void Form1UndoDisplay::refresh_window() {
  Form1Controls& controls = form_.controls();
  if (!shown_) {
    controls.show_progress(0, bar_steps(total_), bar_steps(done_));
    controls.set_caption(Control::Label6, app::undo_progress_caption(done_, total_));
    controls.show_task_progress(TaskProgress::normal, bar_steps(done_), bar_steps(total_));
    shown_ = true;
  }
  controls.keep_alive();
  pacer_.refreshed();
}

void Form1UndoDisplay::finish() {
  if (!drawing_) return;
  form_.show_progress();
  form_.controls().set_caption(Control::Label6, std::string(app::progress_prefix));
  form_.controls().show_task_progress(TaskProgress::none, 0, 0);
}

}  // namespace tolvane::form
