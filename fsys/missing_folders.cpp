// Walking up a folder path to the part that exists, and making the rest.
#include "fsys/missing_folders.h"

#include <vector>

#include "fsys/path_separator.h"
#include "fsys/path_split.h"

namespace tolvane::fsys {

std::optional<std::string> parent_folder(const std::string& folder) {
  if (folder.size() < 2) return std::nullopt;
  // The folder part of the path without its own trailing separator.
  std::string parent(folder_part(std::string_view(folder).substr(0, folder.size() - 1)));
  if (parent.empty()) return std::nullopt;
  // Above a share ("\\server\share\") stand only the server and the
  // network, which are no folders.
  if (parent.size() >= 2 && parent[0] == separator && parent[1] == separator &&
      parent.find(separator, 2) >= parent.size() - 1) {
    return std::nullopt;
  }
  return parent;
}

std::optional<std::string> nearest_existing_folder(FileSystem& file_system,
                                                   const std::string& folder) {
  std::string top;
  for (std::optional<std::string> at = folder; at; at = parent_folder(*at)) {
    if (file_system.folder_exists(*at)) return at;
    top = *at;
  }
  // Above a relative name ("out\") stands the current folder; above a
  // root, nothing.
  const std::string_view name(top.data(), top.empty() ? 0 : top.size() - 1);
  const bool relative =
      !name.empty() && name.find(separator) == std::string_view::npos && name.back() != ':';
  const std::string current = std::string(".") + separator;
  if (relative && file_system.folder_exists(current)) return current;
  return std::nullopt;
}

std::error_code make_missing_folders(FileSystem& file_system, const std::string& folder,
                                     std::vector<std::string>* made) {
  std::vector<std::string> missing;
  for (std::optional<std::string> at = folder; at && !file_system.folder_exists(*at);
       at = parent_folder(*at)) {
    missing.push_back(*at);
  }
  for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
    const std::error_code error = file_system.make_folder(*at);
    if (!error) {
      if (made != nullptr) made->push_back(*at);
    } else if (!(error == std::errc::file_exists && file_system.folder_exists(*at))) {
      return error;
    }
  }
  return {};
}

}  // namespace tolvane::fsys
