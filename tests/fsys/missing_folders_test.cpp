// A destination typed before it exists: where the walk up its path stops
// (an existing folder, the current folder above a relative name, nothing
// above a share), and which folders are made, outermost first.
#include "fsys/missing_folders.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "tests/support/native_path.h"

namespace tolvane::fsys {
namespace {

using testing::native;

// Folders by path; making one needs its parent, and `refused` is denied.
// One that "another program" makes first answers file_exists.
class Folders final : public WholeCopyFileSystem {
 public:
  std::set<std::string> existing;
  std::string refused, made_meanwhile;
  std::vector<std::string> made;

  FolderContents read_folder(const std::string&) override { return {}; }
  std::error_code copy_whole(const std::string&, const std::string&, LookAlike,
                             CopyOutcome&) override {
    return {};
  }
  std::error_code move_to_trash(const std::string&) override { return {}; }
  std::error_code flush() override { return {}; }
  bool folder_exists(const std::string& folder) override { return existing.contains(folder); }
  std::error_code make_folder(const std::string& folder) override {
    if (folder == refused) return std::make_error_code(std::errc::permission_denied);
    const std::optional<std::string> parent = parent_folder(folder);
    if (parent ? !existing.contains(*parent) : folder.find(separator) != folder.size() - 1) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    existing.insert(folder);
    if (folder == made_meanwhile) return std::make_error_code(std::errc::file_exists);
    made.push_back(folder);
    return {};
  }
};

TEST(MissingFolders, EachIsMadeOutermostFirstUpToTheNearestThatExists) {
  struct Row {
    const char* name;
    std::string folder;
    std::set<std::string> existing;
    std::string refused, made_meanwhile;
    std::optional<std::string> nearest;
    std::vector<std::string> made;
    std::errc error;  // std::errc() when none
  };
  const std::vector<Row> rows = {
      {"two levels below an existing folder",
       native("/a/b/c/"),
       {native("/"), native("/a/")},
       "",
       "",
       native("/a/"),
       {native("/a/b/"), native("/a/b/c/")},
       std::errc()},
      {"existing",
       native("/a/"),
       {native("/"), native("/a/")},
       "",
       "",
       native("/a/"),
       {},
       std::errc()},
      {"relative, below the current folder",
       native("new/deep/"),
       {native("./")},
       "",
       "",
       native("./"),
       {native("new/"), native("new/deep/")},
       std::errc()},
      {"a share that is not there",
       native("//server/share/x/"),
       {},
       "",
       "",
       std::nullopt,
       {},
       std::errc::no_such_file_or_directory},
      {"made meanwhile by another program",
       native("/a/b/c/"),
       {native("/"), native("/a/")},
       "",
       native("/a/b/"),
       native("/a/"),
       {native("/a/b/c/")},
       std::errc()},
      {"refused half-way: the outer one stays",
       native("/a/b/c/"),
       {native("/"), native("/a/")},
       native("/a/b/c/"),
       "",
       native("/a/"),
       {native("/a/b/")},
       std::errc::permission_denied},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Folders folders;
    folders.existing = row.existing;
    folders.refused = row.refused;
    folders.made_meanwhile = row.made_meanwhile;
    EXPECT_EQ(nearest_existing_folder(folders, row.folder), row.nearest);
    const std::error_code error = make_missing_folders(folders, row.folder);
    EXPECT_TRUE(error == row.error) << error.message();
    EXPECT_EQ(folders.made, row.made);
  }
}

}  // namespace
}  // namespace tolvane::fsys
