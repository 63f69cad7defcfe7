// The breadth-first walk that fills the folder table.
#include "scan/folder_table.h"

#include "fsys/path_separator.h"

namespace tolvane::scan {

FolderTable FolderTable::walk(const std::string& folder, fsys::FileSystem& file_system) {
  FolderTable table;
  table.slots_.push_back(Slot{folder});
  // Slots queued for names that the listing reported as files: they are
  // never folders, so reading them would only fail.
  std::vector<bool> known_file{false};

  for (std::size_t head = 0; head < table.slots_.size(); ++head) {
    if (known_file[head]) continue;
    const std::string current = table.slots_[head].folder;  // the vector may grow below
    fsys::FolderContents contents = file_system.read_folder(current);
    const bool start_missing = head == 0 && contents.error == std::errc::no_such_file_or_directory;
    if (contents.error && !start_missing) table.note_unreadable(current, contents.error);

    table.slots_[head].first_name = table.name_ends_.size();
    for (const fsys::FolderEntry& entry : contents.entries) {
      const bool is_file = entry.kind == fsys::EntryKind::file;
      if (is_file) table.keep_file_name(entry.name);
      if (entry.name.find('.') == std::string::npos) {
        table.slots_.push_back(Slot{current + entry.name + fsys::separator});
        known_file.push_back(is_file);
      }
    }
    table.slots_[head].name_count = table.name_ends_.size() - table.slots_[head].first_name;
  }
  return table;
}

void FolderTable::note_unreadable(const std::string& folder, std::error_code error) {
  ++unreadable_;
  if (first_unreadable_.size() < unreadable_kept) first_unreadable_.push_back({folder, error});
}

void FolderTable::keep_file_name(std::string_view name) {
  name_bytes_.append(name);
  name_ends_.push_back(name_bytes_.size());
}

std::string_view FolderTable::file_name(std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : name_ends_[index - 1];
  return std::string_view(name_bytes_).substr(begin, name_ends_[index] - begin);
}

}  // namespace tolvane::scan
