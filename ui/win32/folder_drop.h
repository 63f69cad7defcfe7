// Folders dropped from Explorer onto the folder texts: a dropped folder
// becomes the text, a dropped file gives its folder, and nothing else in the
// window takes drops.
#pragma once

#include <string>
#include <vector>

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The folder text for dropped items: the first item that exists gives its
// path if it is a folder, its folder if it is a file, without a trailing
// "\" (a drive's root keeps its own: "C:\").  Empty when none exists.
std::wstring folder_text_for_drop(const std::vector<std::wstring>& items);

// Lets each of `edits` take drops, which replace its text.  Call once the
// edits exist; they stay subclassed for their lifetime.
void accept_folder_drops(const std::vector<HWND>& edits);

}  // namespace tolvane::win32
