// The folder tag of a folder path.
#include "scan/folder_tag.h"

#include "fsys/path_separator.h"

namespace tolvane::scan {

std::string_view folder_tag(std::string_view folder) {
  if (!folder.empty() && folder.back() == fsys::separator) folder.remove_suffix(1);
  const std::size_t last = folder.rfind(fsys::separator);
  if (last == std::string_view::npos) {
    // A root such as "C:\" or "/" holds no separator once its own is removed;
    // any other such text is a relative folder, all of it its name.
    const bool drive = fsys::separator == '\\' && folder.size() == 2 && folder[1] == ':';
    return drive ? std::string_view() : folder;
  }
  return folder.substr(last + 1);
}

}  // namespace tolvane::scan
