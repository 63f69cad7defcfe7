// The checks the command line makes before anything is read or written,
// beyond the destination's (app/destination.h): --ext and SOURCE.  Each
// fault gets a one-line message naming it, in app/'s words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "fsys/file_system.h"

namespace tolvane::cli {

// Why the run cannot start: --ext holds a separator, or SOURCE is empty,
// ends in a separator (the window would start no walk) or cannot be read.
// Nothing when both are usable.
std::optional<std::string> source_problem(const Options& options, fsys::FileSystem& file_system);

}  // namespace tolvane::cli
