// The words the manual pages take from the program rather than spell again:
// the window's captions as its load handler sets them, its extension list,
// the menu item and keys of undo, the count line and the messages, the
// set-aside folder's name, how many runs the journal keeps.
#pragma once

#include <map>
#include <string>

namespace tolvane::man {

// Each word by the name a page's template gives it between '@' signs:
// "Command1" (a control's caption), "extensions", "undo_item" and the like.
std::map<std::string, std::string> program_words();

}  // namespace tolvane::man
