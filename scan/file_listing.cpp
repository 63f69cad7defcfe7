// Matching one folder's files against the extension text.
#include "scan/file_listing.h"

#include "fsys/mask_match.h"
#include "scan/folder_tag.h"
#include "scan/stop_flag.h"

namespace tolvane::scan {

bool Search_file_in_folder(const std::string& folder, bool start_folder,
                           const std::vector<fsys::FolderEntry>& entries, ScanFrontEnd& front_end,
                           const std::atomic<bool>* stop) {
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on
  // "*" + std::string, which breaks Release builds.
  std::string mask = "*";
  mask += front_end.extension_text();
  // The start folder may be written as "." or ".."; every other folder is
  // named by the walk.
  const std::string start_tag = start_folder ? start_folder_tag(folder) : std::string();
  const std::string_view tag = start_folder ? start_tag : folder_tag(folder);

  std::string path = folder;
  for (const fsys::FolderEntry& entry : entries) {
    if (entry.kind != fsys::EntryKind::file || !fsys::mask_matches(mask, entry.name)) continue;
    path.resize(folder.size());
    path.append(entry.name);
    front_end.append_file(path, tag);
    if (!front_end.yield() || stop_requested(stop)) return false;
  }
  return true;
}

}  // namespace tolvane::scan
