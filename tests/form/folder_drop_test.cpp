// The folder-drop rule both windows apply, over made-up paths: which item
// decides, what a file gives, and where a separator stays.
#include "form/folder_drop.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fsys/path_separator.h"

namespace tolvane::form {
namespace {

struct Row {
  std::vector<std::string> dropped;
  std::string expected;
};

void check(const std::map<std::string, DroppedItem>& disk, const std::vector<Row>& rows) {
  const auto kind_of = [&disk](const std::string& path) {
    const auto found = disk.find(path);
    return found == disk.end() ? DroppedItem::missing : found->second;
  };
  for (const Row& row : rows) {
    std::string dropped;
    for (const std::string& path : row.dropped) dropped += "[" + path + "]";
    EXPECT_EQ(folder_text_for_drop(row.dropped, kind_of), row.expected) << dropped;
  }
}

TEST(FolderDrop, FirstItemThatExistsGivesTheFolderWithoutItsSeparator) {
  if (fsys::separator != '/') GTEST_SKIP() << "POSIX paths";
  const std::map<std::string, DroppedItem> disk{
      {"/photos/trip/", DroppedItem::folder}, {"/photos/trip", DroppedItem::folder},
      {"/photos/trip/a.jpg", DroppedItem::file}, {"/a.jpg", DroppedItem::file},
      {"/", DroppedItem::folder},             {"/照片", DroppedItem::folder},
  };
  check(disk, {
                  {{"/photos/trip"}, "/photos/trip"},
                  {{"/photos/trip/"}, "/photos/trip"},
                  {{"/photos/trip/a.jpg"}, "/photos/trip"},
                  {{"/gone/", "/a.jpg", "/photos/trip"}, "/"},  // a file in the root
                  {{"/"}, "/"},
                  {{"/照片", "/photos/trip"}, "/照片"},
                  {{"/gone", "/also/gone.jpg"}, ""},
                  {{}, ""},
              });
}

TEST(FolderDrop, DrivesAndSharesKeepTheirRootSeparator) {
  if (fsys::separator != '\\') GTEST_SKIP() << "Windows paths";
  const std::map<std::string, DroppedItem> disk{
      {"C:\\", DroppedItem::folder},
      {"C:\\photos\\", DroppedItem::folder},
      {"D:/photos/trip/", DroppedItem::folder},
      {"C:\\a.jpg", DroppedItem::file},
      {"\\\\server\\share\\", DroppedItem::folder},
      {"\\\\server\\share\\a.jpg", DroppedItem::file},
      {"\\\\server\\share\\trip\\a.jpg", DroppedItem::file},
  };
  check(disk, {
                  {{"C:\\"}, "C:\\"},
                  {{"C:\\photos\\"}, "C:\\photos"},
                  {{"D:/photos/trip/"}, "D:/photos/trip"},
                  {{"C:\\gone\\", "C:\\a.jpg"}, "C:\\"},
                  {{"\\\\server\\share\\"}, "\\\\server\\share\\"},
                  {{"\\\\server\\share\\a.jpg"}, "\\\\server\\share\\"},
                  {{"\\\\server\\share\\trip\\a.jpg"}, "\\\\server\\share\\trip"},
                  {{"C:\\gone"}, ""},
              });
}

}  // namespace
}  // namespace tolvane::form
