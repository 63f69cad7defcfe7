// The text --help prints.
#pragma once

#include <string_view>

namespace tolvane::cli {

std::string_view help_text();

}  // namespace tolvane::cli
