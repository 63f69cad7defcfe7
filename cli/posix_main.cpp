// The program's entry on POSIX: the arguments are bytes already.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line_run.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  static tolvane::app::StopRequest stop;
  tolvane::cli::catch_stop_keys(stop);
  const int status = tolvane::cli::run(arguments, std::cout, std::cerr,
                                       tolvane::cli::error_stream_is_terminal(), &stop);
  if (status == tolvane::cli::exit_stopped) {
    std::cout.flush();
    std::cerr.flush();
    tolvane::cli::end_as_stopped();
  }
  return status;
}
