// Form1 as a copy run's display: the progress bar and line it sets as the
// run goes on, and the closing message box.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "app/run_events.h"
#include "form/refresh_pacer.h"

namespace tolvane::form {

class Form1;

class Form1RunDisplay : public app::CopyEvents {
 public:
  explicit Form1RunDisplay(Form1& form);

  void progress(int value, std::string_view label6_caption, bool at_once) override;
  void keep_alive() override;
  void entry_done(const copy::EntryResult& result) override;
  bool copy_unrecorded(std::error_code why) override;

  // The closing message box: title "Tolvane", one OK button, `text`; a
  // warning icon when `warning` is set, otherwise no icon.  Modal.
  void show_report(std::string_view text, bool warning);

 private:
  // Puts the latest progress on the screen and lets the window answer the
  // window system; user input is discarded, the run holds the thread, but
  // for Escape and the close button, whose question is asked here.
  void refresh_window();

  Form1& form_;
  std::string progress_line_;
  bool progress_shown_ = true;
  bool entries_failed_ = false;
  std::size_t entries_done_ = 0;
  bool stoppable_ = true;  // until the run puts its copies on the device
  RefreshPacer pacer_;
};

}  // namespace tolvane::form
