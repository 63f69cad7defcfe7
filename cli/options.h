// The command line's settings, filled by parse_arguments and read by the
// run; nothing else of the command line reaches the core.
#pragma once

#include <string>
#include <vector>

namespace tolvane::cli {

struct Options {
  std::string source;              // SOURCE, the folder text as typed
  std::string destination;         // DEST, the folder text as typed (the one argument of --undo)
  std::string extension = ".jpg";  // --ext: the window's extension box
  bool flat = false;               // --flat: the window's flat mode
  bool dry_run = false;            // --dry-run: the plan only
  bool json = false;               // --json: one object per line
  bool dot_folders = false;        // --dot-folders: walk folders named with a dot too
  bool help = false;               // --help / -h
  bool undo = false;               // --undo: undo the last run into DEST
};

struct ParsedArguments {
  Options options;
  std::string error;  // a one-line Chinese message; empty when usable
};

// Reads the arguments after the program's name (UTF-8).  "--" ends the
// options, so a SOURCE may start with "-"; "--ext=X" and "--ext X" both work.
ParsedArguments parse_arguments(const std::vector<std::string>& arguments);

}  // namespace tolvane::cli
