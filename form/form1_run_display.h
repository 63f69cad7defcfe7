// Form1 as the copy run sees it: the file list and settings it reads, the
// progress display it sets, and the closing message box.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/run_display.h"

namespace tolvane::form {

class Form1;

class Form1RunDisplay : public app::RunDisplay {
 public:
  explicit Form1RunDisplay(Form1& form);

  std::size_t entry_count() override;
  std::string source_path(std::size_t index) override;
  std::string folder_tag(std::size_t index) override;
  bool flat_mode() override;
  std::string extension_text() override;
  float progress_max() override;
  void set_progress(int value, std::string_view label6_caption) override;
  void set_progress_now(int value, std::string_view label6_caption) override;
  void keep_alive() override;
  void show_report(std::string_view text, bool warning) override;
  void entry_done(const copy::EntryResult& result) override;
  void end_copy_command() override;
  journal::Journals* journals() override;
  std::vector<std::string> destination_folders_made() override;
  bool copy_unrecorded(std::error_code why) override;

 private:
  // Puts the latest progress on the screen and lets the window answer the
  // window system; user input is discarded, the run holds the thread.
  void refresh_window();

  Form1& form_;
  std::string progress_line_;
  bool progress_shown_ = true;
  bool entries_failed_ = false;
  std::chrono::steady_clock::time_point last_refresh_;
};

}  // namespace tolvane::form
