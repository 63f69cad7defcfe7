// The folder tag: the name of the folder that holds a listed file.
#pragma once

#include <string_view>

namespace tolvane::scan {

// The text after the last separator of `folder` once its own trailing
// separator is removed; empty for a root such as "/" or "C:\".
std::string_view folder_tag(std::string_view folder);

}  // namespace tolvane::scan
