// The command line as the scan and the copy run see a window: the file list
// the scan fills, the settings from the options, progress to the terminal,
// and each entry's outcome to the run's output.
#pragma once

#include <string>

#include "cli/options.h"
#include "cli/progress_display.h"
#include "cli/run_output.h"
#include "copy/copy_window.h"
#include "scan/file_list.h"
#include "scan/scan_window.h"

namespace tolvane::cli {

class CommandLineWindow final : public scan::ScanWindow, public copy::CopyWindow {
 public:
  // All three must outlive the window.
  CommandLineWindow(const Options& options, ProgressDisplay& progress, RunOutput& output)
      : options_(options), progress_(progress), output_(output) {}

  const scan::FileList& files() const { return files_; }
  // The closing message box's text, once the run has ended.
  const std::string& closing_text() const { return closing_text_; }

  // Both the scan and the copy read Combo1's text: --ext.
  std::string extension_text() override { return options_.extension; }

  void append_file(std::string_view path, std::string_view tag) override {
    files_.append(path, tag);
  }
  bool yield() override { return true; }

  std::size_t entry_count() override { return files_.size(); }
  std::string source_path(std::size_t index) override { return std::string(files_.path(index)); }
  std::string folder_tag(std::size_t index) override { return std::string(files_.tag(index)); }
  bool flat_mode() override { return options_.flat; }
  // The window's scan sets ProgressBar1.Max to the count it found.
  float progress_max() override { return static_cast<float>(files_.size()); }
  void set_progress(int value, std::string_view label6_caption) override {
    progress_.update(static_cast<std::size_t>(value), files_.size(), label6_caption);
  }
  void set_progress_now(int value, std::string_view label6_caption) override {
    progress_.update(static_cast<std::size_t>(value), files_.size(), label6_caption, true);
  }
  void entry_done(const copy::EntryResult& result) override { output_.entry(result); }
  void show_report(std::string_view text, bool /*warning*/) override {
    progress_.finish();
    closing_text_ = text;
  }
  void end_copy_command() override { progress_.finish(); }

 private:
  const Options& options_;
  ProgressDisplay& progress_;
  RunOutput& output_;
  scan::FileList files_;
  std::string closing_text_;
};

}  // namespace tolvane::cli
