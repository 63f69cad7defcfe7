// What the command line prints on standard output: for a dry run one plan
// line per entry and the counts, for a real run the closing lines, and with
// --json one object per entry and a summary instead.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

#include "cli/options.h"
#include "copy/copy_front_end.h"
#include "copy/copy_run.h"

namespace tolvane::cli {

class RunOutput {
 public:
  // Both must outlive this.
  RunOutput(std::ostream& out, const Options& options) : out_(out), options_(options) {}

  // The scan's count line, as the window shows it (the summary object carries
  // the numbers instead).
  void scanned(std::size_t listed, std::size_t folders_unreadable, std::size_t folders_left_out);
  void entry(const copy::EntryResult& result);
  // The run's journal could not be written (whole): it cannot be undone.
  void unrecorded() { recorded_ = false; }
  // The closing lines (or the summary object) after the run.
  void finish(const copy::CopyReport& report, std::string_view closing_text, int exit_status);

 private:
  std::ostream& out_;
  const Options& options_;
  std::size_t listed_ = 0;
  std::size_t folders_unreadable_ = 0;
  std::size_t folders_left_out_ = 0;  // by the dot rule
  std::size_t copied_ = 0;            // to a free name
  std::size_t replaced_ = 0;          // the old file went to the trash
  std::size_t set_aside_ = 0;         // the old file went to the set-aside folder
  std::size_t unchanged_ = 0;
  std::size_t earlier_copies_ = 0;  // an earlier run's copies, left out
  std::size_t renumbered_ = 0;
  std::size_t failed_ = 0;
  bool recorded_ = true;
};

}  // namespace tolvane::cli
