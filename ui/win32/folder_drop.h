// Folders dropped from Explorer onto the folder texts: a dropped folder
// becomes the text, a dropped file gives its folder, and nothing else in the
// window takes drops.
#pragma once

#include <string>
#include <vector>

#include "ui/win32/windows_api.h"

namespace tolvane::win32 {

// The folder text for dropped items by form::folder_text_for_drop's rule.
// Empty when none exists.
std::wstring folder_text_for_drop(const std::vector<std::wstring>& items);

// Lets each of `edits` take drops, which replace its text.  Call once the
// edits exist; they stay subclassed for their lifetime.
void accept_folder_drops(const std::vector<HWND>& edits);

}  // namespace tolvane::win32
