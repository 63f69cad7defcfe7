// The command line as the session's scan and copy run see their front end:
// the file list the scan fills, --ext for the extension it reads, progress
// to the terminal and each entry's outcome to the run's output.  It shows a
// run as the windows do, through the session's events, and answers nothing
// else.
#pragma once

#include <string>
#include <string_view>

#include "app/run_events.h"
#include "cli/progress_display.h"
#include "cli/run_output.h"
#include "scan/file_list.h"

namespace tolvane::cli {

class CommandLineFrontEnd final : public app::ScanEvents, public app::CopyEvents {
 public:
  // All three must outlive the front end.
  CommandLineFrontEnd(std::string_view extension, ProgressDisplay& progress, RunOutput& output)
      : extension_(extension), progress_(progress), output_(output) {}

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

 private:
  std::string_view extension_;
  ProgressDisplay& progress_;
  RunOutput& output_;
  scan::FileList files_;
};

}  // namespace tolvane::cli
