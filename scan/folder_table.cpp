// The breadth-first walk that fills the folder table, one folder at a time.
#include "scan/folder_table.h"

#include <utility>

#include "fsys/path_separator.h"

namespace tolvane::scan {

FolderTable::FolderTable(std::string folder, DottedFolders dotted) : dotted_(dotted) {
  slots_.push_back(Slot{std::move(folder)});
}

fsys::FolderContents FolderTable::read(const std::string& folder, bool holds_nothing,
                                       fsys::FileSystem& file_system) {
  if (holds_nothing) return {};
  return file_system.read_folder(folder);
}

void FolderTable::accept(const fsys::FolderContents& contents) {
  const std::size_t slot = head_++;
  const std::string& current = slots_[slot].folder;
  const bool start_missing = slot == 0 && contents.error == std::errc::no_such_file_or_directory;
  if (start_missing) start_missing_ = true;
  if (contents.error && !start_missing) note_unreadable(current, contents.error);

  for (const fsys::FolderEntry& entry : contents.entries) {
    const bool is_file = entry.kind == fsys::EntryKind::file;
    const bool dotted = entry.name.find('.') != std::string::npos;
    if (dotted && (is_file || dotted_ == DottedFolders::left_out)) {
      if (!is_file) note_left_out(current, entry.name);
      continue;
    }
    std::string path;
    path.reserve(current.size() + entry.name.size() + 1);
    path.append(current).append(entry.name).push_back(fsys::separator);
    slots_.push_back(Slot{std::move(path), is_file});
  }
}

void FolderTable::note_unreadable(const std::string& folder, std::error_code error) {
  ++unreadable_;
  if (first_unreadable_.size() < unreadable_kept) first_unreadable_.push_back({folder, error});
}

void FolderTable::note_left_out(const std::string& parent, const std::string& name) {
  ++left_out_;
  if (first_left_out_.size() >= unreadable_kept) return;
  std::string folder;
  folder.reserve(parent.size() + name.size() + 1);
  folder.append(parent).append(name).push_back(fsys::separator);
  first_left_out_.push_back(std::move(folder));
}

}  // namespace tolvane::scan
