// The breadth-first walk that fills the folder table, one folder at a time.
#include "scan/folder_table.h"

#include <utility>

#include "fsys/path_separator.h"

namespace tolvane::scan {

FolderTable::FolderTable(std::string folder) { slots_.push_back(Slot{std::move(folder)}); }

fsys::FolderContents FolderTable::read_next(fsys::FileSystem& file_system) {
  const std::size_t slot = head_++;
  if (slots_[slot].known_file) return {};
  const std::string& current = slots_[slot].folder;
  fsys::FolderContents contents = file_system.read_folder(current);
  const bool start_missing = slot == 0 && contents.error == std::errc::no_such_file_or_directory;
  if (contents.error && !start_missing) note_unreadable(current, contents.error);

  for (const fsys::FolderEntry& entry : contents.entries) {
    if (entry.name.find('.') != std::string::npos) continue;
    std::string path;
    path.reserve(current.size() + entry.name.size() + 1);
    path.append(current).append(entry.name).push_back(fsys::separator);
    slots_.push_back(Slot{std::move(path), entry.kind == fsys::EntryKind::file});
  }
  return contents;
}

void FolderTable::note_unreadable(const std::string& folder, std::error_code error) {
  ++unreadable_;
  if (first_unreadable_.size() < unreadable_kept) first_unreadable_.push_back({folder, error});
}

}  // namespace tolvane::scan
