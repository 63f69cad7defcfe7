// The folder tag of a folder path.
#include "scan/folder_tag.h"

#include <optional>

#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/resolved_path.h"

namespace tolvane::scan {
namespace {

// "C:" on Windows: a drive, whether alone (its root) or before a name
// relative to it, or what is left of "\\?\C:\" once its separators are gone.
bool starts_with_drive(std::string_view name) {
  if (fsys::separator != '\\' || name.size() < 2 || name[1] != ':') return false;
  const char letter = name[0];
  return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

}  // namespace

std::string_view folder_tag(std::string_view folder) {
  if (!folder.empty() && folder.back() == fsys::separator) folder.remove_suffix(1);
  // A root such as "/" holds no separator once its own is removed; any other
  // such text is a relative folder, all of it its name.
  std::string_view name = fsys::last_name(folder);
  if (starts_with_drive(name)) name.remove_prefix(2);
  return name;
}

std::string start_folder_tag(const std::string& folder) {
  const std::string_view tag = folder_tag(folder);
  // The walk itself never meets "." or ".."; only a typed text holds them.
  if (tag != "." && tag != "..") return std::string(tag);
  const std::optional<std::string> resolved = fsys::resolved_folder(folder);
  return std::string(resolved ? folder_tag(*resolved) : tag);
}

}  // namespace tolvane::scan
