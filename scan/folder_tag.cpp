// The folder tag of a folder path.
#include "scan/folder_tag.h"

#include "fsys/path_separator.h"

namespace tolvane::scan {

std::string_view folder_tag(std::string_view folder) {
  if (!folder.empty() && folder.back() == fsys::separator) folder.remove_suffix(1);
  const std::size_t last = folder.rfind(fsys::separator);
  // A root such as "C:\" or "/" holds no separator once its own is removed.
  if (last == std::string_view::npos) return {};
  return folder.substr(last + 1);
}

}  // namespace tolvane::scan
