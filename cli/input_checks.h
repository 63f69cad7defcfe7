// The checks before anything is read or written: the extension text, SOURCE
// and DEST.  Each fault gets a one-line Chinese message naming it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "fsys/file_system.h"

namespace tolvane::cli {

struct CheckedFolders {
  std::string source;                // folder path, ending in the separator
  std::string destination;           // folder path, ending in the separator
  bool destination_missing = false;  // the run makes it, with the folders above it
};

// The folder paths SOURCE and DEST name, or nothing with `problem` set when
// --ext holds a separator, SOURCE or DEST is empty or ends in a separator
// (the window would start no run), SOURCE cannot be read, DEST is a file or
// not writable, or DEST is missing and the nearest folder above it that
// exists is not writable (or there is none).
// The folder path DEST names, as a copy reads it, or nothing with
// `problem` set when it is empty or ends in a separator.
std::optional<std::string> destination_folder(std::string_view text, std::string& problem);

std::optional<CheckedFolders> check_inputs(const Options& options, fsys::FileSystem& file_system,
                                           std::string& problem);

}  // namespace tolvane::cli
