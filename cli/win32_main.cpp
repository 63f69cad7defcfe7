// The program's entry on Windows: a console program whose UTF-16 arguments
// become the UTF-8 the core speaks.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line_run.h"
#include "cli/console.h"
#include "fsys/win32/path.h"

int wmain(int argc, wchar_t** argv) {
  tolvane::cli::use_utf8_console();
  std::vector<std::string> arguments;
  for (int k = 1; k < argc; ++k) {
    // A lone surrogate has no UTF-8 spelling and names no reachable file.
    arguments.push_back(
        tolvane::fsys::win32::to_utf8(argv[k]).value_or(std::string("\xEF\xBF\xBD")));
  }
  static tolvane::app::StopRequest stop;
  tolvane::cli::catch_stop_keys(stop);
  return tolvane::cli::run(arguments, std::cout, std::cerr,
                           tolvane::cli::error_stream_is_terminal(), &stop);
}
