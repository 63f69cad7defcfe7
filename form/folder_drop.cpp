// The folder-drop rule, the same for both windows.
#include "form/folder_drop.h"

#include <string_view>

#include "fsys/path_separator.h"
#include "fsys/path_split.h"

namespace tolvane::form {
namespace {

bool is_separator(char c) { return fsys::separators.find(c) != std::string_view::npos; }

// A root, which keeps its separator: like the start text, it starts no walk.
bool is_root(std::string_view path) {
  if (path.find_first_not_of(fsys::separators) == std::string_view::npos) return true;
  if (fsys::separator != '\\') return false;
  if (path.size() == 3 && path[1] == ':' && is_separator(path[2])) return true;  // "C:\"
  if (path.starts_with("\\\\")) {  // "\\server\share\"
    const std::size_t share = path.find('\\', 2);
    if (share == std::string_view::npos) return true;
    const std::size_t end = path.find('\\', share + 1);
    return end == std::string_view::npos || end + 1 == path.size();
  }
  return false;
}

std::string without_trailing_separator(std::string path) {
  while (!path.empty() && is_separator(path.back()) && !is_root(path)) path.pop_back();
  return path;
}

std::string folder_of(const std::string& file) {
  const std::string_view folder = fsys::folder_part(file);
  if (folder.empty()) return {};
  return without_trailing_separator(std::string(folder));
}

}  // namespace

std::string folder_text_for_drop(const std::vector<std::string>& paths,
                                 const std::function<DroppedItem(const std::string&)>& kind_of) {
  for (const std::string& path : paths) {
    switch (kind_of(path)) {
      case DroppedItem::missing:
        continue;
      case DroppedItem::folder:
        return without_trailing_separator(path);
      case DroppedItem::file:
        return folder_of(path);
    }
  }
  return {};
}

}  // namespace tolvane::form
