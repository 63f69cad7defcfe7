// The edits are subclassed so that each handles its own WM_DROPFILES: a drop
// on Text2 goes to Text2, never to whichever text had the focus.
#include "ui/win32/folder_drop.h"

#include <optional>
#include <string>

#include "form/folder_drop.h"
#include "fsys/win32/path.h"

namespace tolvane::win32 {
namespace {

constexpr UINT_PTR drop_subclass_id = 1;

std::vector<std::wstring> dropped_items(HDROP drop) {
  std::vector<std::wstring> items;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring item(length + 1, L'\0');
    DragQueryFileW(drop, i, item.data(), length + 1);
    item.resize(length);
    items.push_back(std::move(item));
  }
  return items;
}

LRESULT CALLBACK drop_procedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  if (message == WM_DROPFILES) {
    auto drop = reinterpret_cast<HDROP>(wparam);
    const std::wstring folder = folder_text_for_drop(dropped_items(drop));
    DragFinish(drop);
    if (!folder.empty()) {
      // Replacing through the edit keeps the old text one undo away.
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    }
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, drop_procedure, drop_subclass_id);
  return DefSubclassProc(edit, message, wparam, lparam);
}

}  // namespace

std::wstring folder_text_for_drop(const std::vector<std::wstring>& items) {
  std::vector<std::string> paths;
  for (const std::wstring& item : items) {
    // A name that is no valid UTF-16 names nothing a folder text could hold.
    if (std::optional<std::string> path = fsys::win32::to_utf8(item)) paths.push_back(*path);
  }
  const std::string folder =
      form::folder_text_for_drop(paths, [](const std::string& path) {
        const DWORD attributes = GetFileAttributesW(fsys::win32::to_utf16(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return form::DroppedItem::missing;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? form::DroppedItem::folder
                                                       : form::DroppedItem::file;
      });
  return fsys::win32::to_utf16(folder);
}

void accept_folder_drops(const std::vector<HWND>& edits) {
  for (HWND edit : edits) {
    SetWindowSubclass(edit, drop_procedure, drop_subclass_id, 0);
    DragAcceptFiles(edit, TRUE);
  }
}

}  // namespace tolvane::win32
