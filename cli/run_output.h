// What the command line prints on standard output: for a dry run one plan
// line per entry and the counts, for a real run the closing lines, and with
// --json one object per entry and a summary instead.  The words are app/'s.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

#include "app/command_line_texts.h"
#include "cli/options.h"
#include "copy/copy_events.h"
#include "copy/copy_run.h"
#include "scan/folder_walk.h"

namespace tolvane::cli {

class RunOutput {
 public:
  // Both must outlive this.
  RunOutput(std::ostream& out, const Options& options) : out_(out), options_(options) {}

  // The scan's count line, as the window shows it (the summary object carries
  // the numbers instead).
  void scanned(std::size_t listed, const scan::ScanResult& scan);
  void entry(const copy::EntryResult& result);
  // The run's journal could not be written (whole): it cannot be undone.
  void unrecorded() { recorded_ = false; }
  // The closing lines (or the summary object) after the run; a stopped run's
  // lines go to standard error instead (the caller's), its summary stays.
  void finish(const copy::CopyReport& report, std::string_view closing_text, int exit_status);

 private:
  std::ostream& out_;
  const Options& options_;
  std::size_t listed_ = 0;
  std::size_t folders_unreadable_ = 0;
  std::size_t folders_left_out_ = 0;  // by the dot rule
  app::PlanCounts counts_;
  bool recorded_ = true;  // the run keeps its journal whole
};

}  // namespace tolvane::cli
