// The text --help prints.
#pragma once

#include <string>

namespace tolvane::cli {

std::string help_text();

}  // namespace tolvane::cli
