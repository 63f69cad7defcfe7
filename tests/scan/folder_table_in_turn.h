// A folder table read one folder at a time on the caller's thread: the walk
// without read-ahead, which the tests compare the real walks against.
#pragma once

#include "fsys/file_system.h"
#include "scan/folder_table.h"

namespace tolvane::testing {

// Reads the folder of slot head(), takes it into the table and returns it.
inline fsys::FolderContents read_in_turn(scan::FolderTable& table, fsys::FileSystem& file_system) {
  const std::size_t slot = table.head();
  fsys::FolderContents contents =
      scan::FolderTable::read(table.folder(slot), table.holds_nothing(slot), file_system);
  table.accept(contents);
  return contents;
}

}  // namespace tolvane::testing
