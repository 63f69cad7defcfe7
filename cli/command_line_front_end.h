// The command line as the scan and the copy run see their front end: the
// file list the scan fills, the settings from the options, progress to the
// terminal, and each entry's outcome to the run's output.  It is no window:
// it shows a run through app::RunDisplay, as the windows' form does.
#pragma once

#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/run_display.h"
#include "app/undo_texts.h"
#include "cli/options.h"
#include "cli/progress_display.h"
#include "cli/run_output.h"
#include "scan/file_list.h"
#include "scan/scan_front_end.h"

namespace tolvane::cli {

class CommandLineFrontEnd final : public scan::ScanFrontEnd, public app::RunDisplay {
 public:
  // All four must outlive the front end; `err` takes what the run says
  // beside its results.
  CommandLineFrontEnd(const Options& options, ProgressDisplay& progress, RunOutput& output,
                      std::ostream& err)
      : options_(options), progress_(progress), output_(output), err_(err) {}

  const scan::FileList& files() const { return files_; }
  // The closing message's text, once the run has ended.
  const std::string& closing_text() const { return closing_text_; }

  // Both the scan and the copy read the extension: --ext.
  std::string extension_text() override { return options_.extension; }

  void append_file(std::string_view path, std::string_view tag) override {
    files_.append(path, tag);
  }
  bool yield() override { return true; }

  std::size_t entry_count() override { return files_.size(); }
  std::string source_path(std::size_t index) override { return std::string(files_.path(index)); }
  std::string folder_tag(std::size_t index) override { return std::string(files_.tag(index)); }
  bool flat_mode() override { return options_.flat; }
  // As in the window, the percentage is measured against the count found.
  float progress_max() override { return static_cast<float>(files_.size()); }
  void set_progress(int value, std::string_view caption) override {
    progress_.update(static_cast<std::size_t>(value), files_.size(), caption);
  }
  void set_progress_now(int value, std::string_view caption) override {
    progress_.update(static_cast<std::size_t>(value), files_.size(), caption, true);
  }
  void entry_done(const copy::EntryResult& result) override { output_.entry(result); }
  void show_report(std::string_view text, bool /*warning*/) override {
    progress_.finish();
    closing_text_ = text;
  }
  void end_copy_command() override { progress_.finish(); }
  journal::Journals* journals() override { return journals_; }
  void set_journals(journal::Journals* journals) { journals_ = journals; }
  std::vector<std::string> destination_folders_made() override { return destination_made_; }
  void set_destination_folders_made(std::vector<std::string> made) {
    destination_made_ = std::move(made);
  }
  // The run goes on, said to be one that cannot be undone.
  bool copy_unrecorded(std::error_code why) override {
    err_ << "tolvane-cli：" << app::unrecorded_notice(why) << '\n';
    output_.unrecorded();
    return true;
  }
  void record_cut_short(std::error_code /*why*/) override { output_.unrecorded(); }

 private:
  const Options& options_;
  ProgressDisplay& progress_;
  RunOutput& output_;
  std::ostream& err_;
  scan::FileList files_;
  std::string closing_text_;
  journal::Journals* journals_ = nullptr;
  std::vector<std::string> destination_made_;
};

}  // namespace tolvane::cli
