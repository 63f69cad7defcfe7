// The command line as the session's scan and copy run see their front end:
// the file list the scan fills, --ext for the extension it reads, progress
// to the terminal and each entry's outcome to the run's output.  It shows a
// run as the windows do, through the session's events, and answers nothing
// else.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/run_events.h"
#include "app/undo_texts.h"
#include "cli/progress_display.h"
#include "cli/run_output.h"
#include "scan/file_list.h"

namespace tolvane::cli {

class CommandLineFrontEnd final : public app::ScanEvents, public app::CopyEvents {
 public:
  // All four must outlive the front end; `err` takes what the run says
  // beside its results.
  CommandLineFrontEnd(std::string_view extension, ProgressDisplay& progress, RunOutput& output,
                      std::ostream& err)
      : extension_(extension), progress_(progress), output_(output), err_(err) {}

  const scan::FileList& files() const { return files_; }

  // app::ScanEvents: the scan reads --ext for every folder.
  std::string extension_text() override { return std::string(extension_); }
  void append_file(std::string_view path, std::string_view tag) override {
    files_.append(path, tag);
  }
  bool yield() override { return true; }

  // app::CopyEvents
  void progress(int value, std::string_view caption, bool at_once) override {
    progress_.update(static_cast<std::size_t>(value), files_.size(), caption, at_once);
  }
  void entry_done(const copy::EntryResult& result) override { output_.entry(result); }
  // The run goes on, said to be one that cannot be undone; the JSON
  // summary says so from the run's outcome.
  bool copy_unrecorded(std::error_code why) override {
    err_ << app::command_line::program_line(app::unrecorded_notice(why)) << '\n';
    return true;
  }

 private:
  std::string_view extension_;
  ProgressDisplay& progress_;
  RunOutput& output_;
  std::ostream& err_;
  scan::FileList files_;
};

}  // namespace tolvane::cli
