// Runs the command in process, as main would, and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line_run.h"

namespace tolvane::cli::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Over `disk` when given, otherwise over the platform's own file system.
inline CliResult run_cli(const std::vector<std::string>& arguments, bool terminal = false,
                         fsys::FileSystem* disk = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  CliResult result;
  result.status =
      disk ? run(arguments, *disk, out, err, terminal) : run(arguments, out, err, terminal);
  result.out = out.str();
  result.err = err.str();
  return result;
}

}  // namespace tolvane::cli::testing
