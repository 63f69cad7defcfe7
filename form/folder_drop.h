// What a folder text becomes when items are dropped on it from the file
// manager (Explorer): the first dropped item that exists decides; a folder
// gives its own path, a file the folder it is in, without a trailing
// separator (a root keeps its own: "/", "C:\", "\\server\share\").  Each
// front end turns its drop into paths and says what each path is.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvane::form {

enum class DroppedItem : std::uint8_t { missing, folder, file };

// The folder text for `paths` (absolute, UTF-8, in the platform's
// spelling), `kind_of` telling what stands at each; empty when none
// exists.
std::string folder_text_for_drop(const std::vector<std::string>& paths,
                                 const std::function<DroppedItem(const std::string&)>& kind_of);

}  // namespace tolvane::form
