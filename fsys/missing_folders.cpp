// Walking up a folder path to the part that exists, and making the rest.
#include "fsys/missing_folders.h"

#include <vector>

#include "fsys/path_separator.h"

namespace tolvane::fsys {

std::optional<std::string> parent_folder(const std::string& folder) {
  if (folder.size() < 2) return std::nullopt;
  const std::size_t cut = folder.rfind(separator, folder.size() - 2);
  if (cut == std::string::npos) return std::nullopt;
  std::string parent = folder.substr(0, cut + 1);
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
  for (std::optional<std::string> at = folder; at; at = parent_folder(*at)) {
    if (file_system.folder_exists(*at)) return at;
  }
  return std::nullopt;
}

std::error_code make_missing_folders(FileSystem& file_system, const std::string& folder) {
  std::vector<std::string> missing;
  for (std::optional<std::string> at = folder; at && !file_system.folder_exists(*at);
       at = parent_folder(*at)) {
    missing.push_back(*at);
  }
  for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
    const std::error_code error = file_system.make_folder(*at);
    if (error && !(error == std::errc::file_exists && file_system.folder_exists(*at))) {
      return error;
    }
  }
  return {};
}

}  // namespace tolvane::fsys
