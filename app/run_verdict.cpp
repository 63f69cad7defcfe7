// A gather that left out files it was asked for is no success, whichever
// step lost them: the scan, a copy, or the flush that puts them on the device.
#include "app/run_verdict.h"

namespace tolvane::app {

RunVerdict run_verdict(const copy::CopyReport& report, std::size_t folders_unreadable) {
  return {report.failures.empty() && !report.flush_error && folders_unreadable == 0,
          report.stopped};
}

}  // namespace tolvane::app
