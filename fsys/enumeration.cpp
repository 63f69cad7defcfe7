// First entry / next entry over one folder, built on a single read_folder.
#include "fsys/enumeration.h"

#include <utility>

#include "fsys/mask_match.h"
#include "fsys/path_separator.h"

namespace tolvane::fsys {
namespace {

bool wanted(EntryKind kind, Filter filter) {
  return kind == EntryKind::file || filter == Filter::files_and_folders;
}

}  // namespace

Enumeration::Enumeration(FileSystem& file_system, std::string_view search_text, Filter filter) {
  const std::size_t cut = search_text.rfind(separator);
  const std::string folder(cut == std::string_view::npos ? std::string_view()
                                                         : search_text.substr(0, cut + 1));
  const std::string_view mask =
      cut == std::string_view::npos ? search_text : search_text.substr(cut + 1);
  const auto matches = [mask](std::string_view name) {
    return mask.empty() || mask_matches(mask, name);
  };

  FolderContents contents = file_system.read_folder(folder);
  if (contents.error) return;

  if (filter == Filter::files_and_folders) {
    for (const char* dots : {".", ".."}) {
      if (matches(dots)) names_.emplace_back(dots);
    }
  }
  for (FolderEntry& entry : contents.entries) {
    if (wanted(entry.kind, filter) && matches(entry.name)) {
      names_.push_back(std::move(entry.name));
    }
  }
}

std::string Enumeration::next() {
  if (position_ >= names_.size()) return {};
  return std::move(names_[position_++]);
}

}  // namespace tolvane::fsys
