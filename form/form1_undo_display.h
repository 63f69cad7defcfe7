// Form1 while an undo runs: the question in its message box, then the
// progress bar and Label6 ("撤销：N/M") moving and the window repainting, as
// during a copy run, with no input taken.
#pragma once

#include <cstddef>
#include <string_view>

#include "app/undo_flow.h"
#include "form/refresh_pacer.h"

namespace tolvane::form {

class Form1;

class Form1UndoDisplay final : public app::UndoEvents {
 public:
  explicit Form1UndoDisplay(Form1& form);

  bool confirm(std::string_view question) override;
  void progress(std::size_t done, std::size_t total) override;
  void keep_alive() override;

  // After the undo: the bar and Label6 as they were before it (the bar at
  // the form's own value, "进度：").
  void finish();

 private:
  // Puts the latest progress on the screen and lets the window answer the
  // window system; user input is discarded.
  void refresh_window();

  Form1& form_;
  std::size_t done_ = 0;
  std::size_t total_ = 0;
  bool shown_ = true;     // the latest progress is on the screen
  bool drawing_ = false;  // the undo has begun: the bar is its
  RefreshPacer pacer_;
};

}  // namespace tolvane::form
