// The fixture of the scan tests: scans a real tree with the native backend
// and hands back the whole ordered file list.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "scan/folder_table.h"
#include "scan/folder_walk.h"
#include "tests/scan/folder_table_in_turn.h"
#include "tests/scan/recording_scan_window.h"

namespace tolvane::scan {

using Entries = std::vector<testing::RecordingScanWindow::Entry>;

class ScanTest : public ::testing::Test {
 protected:
  Entries scan(const std::string& folder, const std::string& extension) {
    testing::RecordingScanWindow window(extension);
    last_result = Search_folder(folder, *fs, window);
    return window.entries;
  }
  std::vector<std::string> table_folders(const std::string& folder,
                                         DottedFolders dotted = DottedFolders::left_out) {
    FolderTable table(folder, dotted);
    while (!table.walked()) testing::read_in_turn(table, *fs);
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < table.size(); ++i) folders.push_back(table.folder(i));
    return folders;
  }

  std::unique_ptr<fsys::FileSystem> fs = fsys::make_native_file_system();
  ScanResult last_result;
};

}  // namespace tolvane::scan
