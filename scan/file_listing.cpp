// Matching one folder's files against the extension text.
#include "scan/file_listing.h"

#include <string>

#include "fsys/mask_match.h"
#include "scan/folder_tag.h"

namespace tolvane::scan {

bool Search_file_in_folder(const FolderTable& table, std::size_t slot_index, ScanWindow& window) {
  const FolderTable::Slot& slot = table.slot(slot_index);
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on
  // "*" + std::string, which breaks Release builds.
  std::string mask = "*";
  mask += window.extension_text();
  // The start folder may be written as "." or ".."; every other slot is
  // named by the walk.
  const std::string start_tag = slot_index == 0 ? start_folder_tag(slot.folder) : std::string();
  const std::string_view tag = slot_index == 0 ? start_tag : folder_tag(slot.folder);

  std::string path = slot.folder;
  for (std::size_t i = 0; i < slot.name_count; ++i) {
    const std::string_view name = table.file_name(slot.first_name + i);
    if (!fsys::mask_matches(mask, name)) continue;
    path.resize(slot.folder.size());
    path.append(name);
    window.append_file(path, tag);
    if (!window.yield()) return false;
  }
  return true;
}

}  // namespace tolvane::scan
