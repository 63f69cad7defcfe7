// The edits are subclassed so that each handles its own WM_DROPFILES: a drop
// on Text2 goes to Text2, never to whichever text had the focus.
#include "ui/win32/folder_drop.h"

namespace tolvane::win32 {
namespace {

constexpr UINT_PTR drop_subclass_id = 1;

bool ends_in_separator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// "C:\" and "\\server\share\" are roots; their separator stays.
bool is_root(const std::wstring& path) {
  if (path.size() == 3 && path[1] == L':') return true;
  if (path.starts_with(L"\\\\")) {
    const std::size_t share = path.find(L'\\', 2);
    if (share == std::wstring::npos) return true;
    const std::size_t end = path.find(L'\\', share + 1);
    return end == std::wstring::npos || end + 1 == path.size();
  }
  return false;
}

std::wstring without_trailing_separator(std::wstring path) {
  while (ends_in_separator(path) && !is_root(path)) path.pop_back();
  return path;
}

std::wstring parent_folder(const std::wstring& file) {
  const std::size_t last = file.find_last_of(L"\\/");
  if (last == std::wstring::npos) return {};
  return without_trailing_separator(file.substr(0, last + 1));
}

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
  for (const std::wstring& item : items) {
    const DWORD attributes = GetFileAttributesW(item.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return without_trailing_separator(item);
    return parent_folder(item);
  }
  return {};
}

void accept_folder_drops(const std::vector<HWND>& edits) {
  for (HWND edit : edits) {
    SetWindowSubclass(edit, drop_procedure, drop_subclass_id, 0);
    DragAcceptFiles(edit, TRUE);
  }
}

}  // namespace tolvane::win32
