// Scan rules that only Windows drive letters show: "C:\" starts no walk, a
// drive letter typed alone walks from its root, the files in a drive root
// get the empty tag, and "C:photos" is tagged "photos".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/path_separator.h"
#include "fsys/win32/path.h"
#include "scan/folder_tag.h"
#include "scan/folder_walk.h"
#include "tests/scan/scan_test_fixture.h"
#include "tests/support/temp_tree.h"

namespace tolvane::scan {
namespace {

TEST(DriveRootText, StartTextStartsNoWalkAndADriveLetterWalksItsRoot) {
  EXPECT_EQ(fsys::separator, '\\');
  EXPECT_EQ(fsys::start_folder_text, "C:\\");
  EXPECT_EQ(folder_path_from_text(fsys::start_folder_text), std::nullopt);
  EXPECT_EQ(folder_path_from_text("D:\\photos\\"), std::nullopt);
  EXPECT_EQ(folder_path_from_text("C:"), "C:\\");
  EXPECT_EQ(folder_path_from_text("D:\\photos"), "D:\\photos\\");
  // A "/" is the separator Windows takes it for: it ends a text as "\\"
  // does, and the folder path holds "\\" in its place.
  EXPECT_EQ(folder_path_from_text("D:/photos/"), std::nullopt);
  EXPECT_EQ(folder_path_from_text("D:/photos"), "D:\\photos\\");
  EXPECT_EQ(folder_path_from_text("D:/photos\\"), std::nullopt);
  EXPECT_EQ(folder_path_from_text("D:\\photos/trip"), "D:\\photos\\trip\\");
}

TEST(DriveRootText, DriveRootsGiveTheEmptyTag) {
  EXPECT_EQ(folder_tag("C:\\"), "");
  EXPECT_EQ(folder_tag("T:\\"), "");
  EXPECT_EQ(folder_tag("D:\\photos\\trip\\"), "trip");
  EXPECT_EQ(folder_tag("\\\\server\\share\\"), "share");
  // A drive letter before a relative name is not part of the folder's name.
  EXPECT_EQ(folder_tag("C:photos\\"), "photos");
  EXPECT_EQ(folder_tag("C:photos\\trip\\"), "trip");
}

// A share's root is tagged by the share's name, also when a typed text
// reaches it through ".." or is already in the long form.
TEST(DriveRootText, AShareRootIsTaggedByItsShare) {
  EXPECT_EQ(start_folder_tag("\\\\server\\share\\"), "share");
  EXPECT_EQ(start_folder_tag("\\\\server\\share\\photos\\..\\"), "share");
  EXPECT_EQ(start_folder_tag("\\\\?\\UNC\\server\\share\\photos\\"), "photos");
}

// A drive of its own for the test, holding nothing else: the one the Wine
// runner maps to an empty folder (TOLVANE_TEST_DRIVE), or else a letter that
// is free here, mapped to a temporary folder as "subst" does.
class ScratchDrive {
 public:
  ScratchDrive() {
    if (const char* given = std::getenv("TOLVANE_TEST_DRIVE"); given && *given) {
      root_ = std::string(given) + "\\";
    } else {
      const DWORD used = GetLogicalDrives();
      for (char letter = 'Z'; letter >= 'G' && root_.empty(); --letter) {
        if (used & (1u << (letter - 'A'))) continue;
        const std::wstring device{static_cast<wchar_t>(letter), L':'};
        const std::string& backing = backing_.root();
        const std::wstring target =
            fsys::win32::to_utf16(std::string_view(backing).substr(0, backing.size() - 1));
        if (DefineDosDeviceW(0, device.c_str(), target.c_str())) {
          defined_ = device;
          root_ = std::string{letter, ':', '\\'};
        }
      }
    }
    const DWORD attributes =
        root_.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(root_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      root_.clear();
    }
  }
  ~ScratchDrive() {
    // Newest first, so every folder is empty by the time it is removed.
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      const std::string path = root_ + *it;
      if (it->back() == '\\') {
        RemoveDirectoryA(path.c_str());
      } else {
        DeleteFileA(path.c_str());
      }
    }
    if (!defined_.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, defined_.c_str(), nullptr);
  }
  ScratchDrive(const ScratchDrive&) = delete;
  ScratchDrive& operator=(const ScratchDrive&) = delete;

  // "T:\" or the like; empty when no drive could be had.
  const std::string& root() const { return root_; }

  // Makes `relative` (ASCII, "\\"-separated, folders ending in "\\") and
  // the folders above it in the drive; all are removed again at the end.
  // Plain Win32 calls: the C runtime under Wine cannot stat a drive root.
  void add(const std::string& relative) {
    for (std::size_t cut = relative.find('\\'); cut != std::string::npos;
         cut = relative.find('\\', cut + 1)) {
      const std::string folder = relative.substr(0, cut + 1);
      if (CreateDirectoryA((root_ + folder).c_str(), nullptr)) made_.push_back(folder);
    }
    if (relative.back() == '\\') return;
    std::ofstream(root_ + relative, std::ios::binary) << relative;
    made_.push_back(relative);
  }

 private:
  testing::TempTree backing_;
  std::string root_;
  std::wstring defined_;
  std::vector<std::string> made_;
};

TEST_F(ScanTest, DriveLetterAloneWalksFromTheRootAndRootFilesHaveNoTag) {
  ScratchDrive drive;
  if (drive.root().empty()) GTEST_SKIP() << "no drive letter could be mapped for the test";
  const fsys::FolderContents before = fs->read_folder(drive.root());
  ASSERT_FALSE(before.error) << before.error.message();
  ASSERT_TRUE(before.entries.empty()) << drive.root() << " is not empty";
  for (const char* path :
       {"a.jpg", "b.png", "trip\\c.jpg", "trip\\2019\\d.jpg", "photos.old\\e.jpg"}) {
    drive.add(path);
  }

  const std::string letter = drive.root().substr(0, 2);  // "T:" as typed
  const std::optional<std::string> folder = folder_path_from_text(letter);
  ASSERT_EQ(folder, drive.root());
  const std::string& root = drive.root();
  EXPECT_EQ(scan(*folder, ".jpg"), (Entries{{root + "a.jpg", ""},
                                            {root + "trip\\c.jpg", "trip"},
                                            {root + "trip\\2019\\d.jpg", "2019"}}));
  EXPECT_EQ(last_result.folders_walked, 3u);
  EXPECT_EQ(last_result.folders_unreadable, 0u);

  // "T:trip" is trip in that drive's current folder, its root here.
  EXPECT_EQ(scan(letter + "trip\\", ".jpg"),
            (Entries{{letter + "trip\\c.jpg", "trip"}, {letter + "trip\\2019\\d.jpg", "2019"}}));
  EXPECT_EQ(scan(letter + ".\\", ".jpg"), (Entries{{letter + ".\\a.jpg", ""},
                                                   {letter + ".\\trip\\c.jpg", "trip"},
                                                   {letter + ".\\trip\\2019\\d.jpg", "2019"}}));
}

}  // namespace
}  // namespace tolvane::scan
