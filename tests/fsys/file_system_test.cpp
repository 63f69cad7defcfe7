// The native backend on a real temporary tree: what holds on every platform.
#include "fsys/file_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "tests/support/temp_tree.h"

namespace tolvane::fsys {
namespace {

namespace fs = std::filesystem;

fs::path native(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// The listing as one comparable vector: folders carry a trailing "/".
std::vector<std::string> listing(const FolderContents& contents) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : contents.entries) {
    names.push_back(entry.name + (entry.kind == EntryKind::folder ? "/" : ""));
  }
  return names;
}

// Every name in a folder, hidden ones included, to find leftovers.
std::set<std::string> everything_in(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(native(folder))) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace(name.begin(), name.end());
  }
  return names;
}

// Content that no short buffer or text handling gets right by accident.
std::string binary_content(std::size_t size) {
  std::string content(size, '\0');
  for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return content;
}

class NativeFileSystem : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> file_system = make_native_file_system();
};

TEST_F(NativeFileSystem, ReadFolderListsFilesAndFoldersInNameOrder) {
  // No two names differ only in case: Windows holds them as one file.
  const testing::TempTree tree({"IMG_0002.jpg", "img_0001.jpg", "b/", "A/", "readme", "a_b.txt",
                                "A/inner.jpg"});
  const FolderContents contents = file_system->read_folder(tree.root());
  EXPECT_FALSE(contents.error);
  EXPECT_EQ(listing(contents),
            (std::vector<std::string>{"A/", "a_b.txt", "b/", "img_0001.jpg", "IMG_0002.jpg",
                                      "readme"}));
}

TEST_F(NativeFileSystem, ReadFolderOfAnEmptyFolderIsEmptyWithoutError) {
  const testing::TempTree tree({"empty/"});
  const FolderContents contents = file_system->read_folder(tree.path("empty/"));
  EXPECT_FALSE(contents.error);
  EXPECT_TRUE(contents.entries.empty());
}

TEST_F(NativeFileSystem, ReadFolderThatCannotBeListedGivesAnError) {
  const testing::TempTree tree({"file.txt"});
  for (const std::string& folder : {tree.path("missing/"), tree.path("file.txt/"), std::string()}) {
    SCOPED_TRACE(folder);
    const FolderContents contents = file_system->read_folder(folder);
    EXPECT_TRUE(contents.error);
    EXPECT_TRUE(contents.entries.empty());
  }
}

class CopyFile : public NativeFileSystem {
 protected:
  void SetUp() override {
    tree.write("src/photo.jpg", source_content);
    fs::last_write_time(native(tree.path("src/photo.jpg")), source_time);
    // The C++ library on Windows sets times to the whole second only; the
    // time the source really has is what a copy must keep.
    source_time = fs::last_write_time(native(tree.path("src/photo.jpg")));
  }

  void expect_source_untouched() {
    EXPECT_EQ(tree.read("src/photo.jpg"), source_content);
    EXPECT_EQ(fs::last_write_time(native(tree.path("src/photo.jpg"))), source_time);
  }

  testing::TempTree tree{{"out/"}};
  const std::string source_content = binary_content(1024 * 1024 + 17);
  // Well in the past and not on a whole second, so a copy that lets the
  // time fall to "now" or truncates it shows.
  fs::file_time_type source_time = fs::file_time_type::clock::now() -
                                         std::chrono::hours(24 * 400) +
                                         std::chrono::milliseconds(123);
};

TEST_F(CopyFile, NewTargetIsIdenticalAndKeepsTheModificationTime) {
  EXPECT_FALSE(file_system->copy_file(tree.path("src/photo.jpg"), tree.path("out/trip(1).jpg")));
  EXPECT_EQ(tree.read("out/trip(1).jpg"), source_content);
  EXPECT_EQ(fs::last_write_time(native(tree.path("out/trip(1).jpg"))), source_time);
  expect_source_untouched();
  EXPECT_EQ(everything_in(tree.path("out/")), (std::set<std::string>{"trip(1).jpg"}));
}

TEST_F(CopyFile, ReplacesAnExistingTargetWholly) {
  // The old target is longer, so a copy that writes in place leaves a tail.
  tree.write("out/trip(1).jpg", binary_content(5 * 1024 * 1024));
  tree.write("out/other.jpg", "other");
  EXPECT_FALSE(file_system->copy_file(tree.path("src/photo.jpg"), tree.path("out/trip(1).jpg")));
  EXPECT_EQ(tree.read("out/trip(1).jpg"), source_content);
  EXPECT_EQ(fs::last_write_time(native(tree.path("out/trip(1).jpg"))), source_time);
  expect_source_untouched();
  EXPECT_EQ(everything_in(tree.path("out/")), (std::set<std::string>{"other.jpg", "trip(1).jpg"}));
}

TEST_F(CopyFile, CopiesAnEmptyFile) {
  tree.write("src/empty", "");
  EXPECT_FALSE(file_system->copy_file(tree.path("src/empty"), tree.path("out/empty")));
  EXPECT_EQ(tree.read("out/empty"), "");
  tree.write("out/full", "old content");
  EXPECT_FALSE(file_system->copy_file(tree.path("src/empty"), tree.path("out/full")));
  EXPECT_EQ(tree.read("out/full"), "");
}

TEST_F(CopyFile, MissingSourceFailsAndLeavesTheTargetWhole) {
  tree.write("out/trip(1).jpg", "earlier copy");
  EXPECT_TRUE(file_system->copy_file(tree.path("src/gone.jpg"), tree.path("out/trip(1).jpg")));
  EXPECT_EQ(tree.read("out/trip(1).jpg"), "earlier copy");
  EXPECT_EQ(everything_in(tree.path("out/")), (std::set<std::string>{"trip(1).jpg"}));
}

TEST_F(CopyFile, MissingTargetFolderFails) {
  const std::error_code error =
      file_system->copy_file(tree.path("src/photo.jpg"), tree.path("nowhere/trip(1).jpg"));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory) << error.message();
  EXPECT_FALSE(fs::exists(native(tree.path("nowhere"))));
  expect_source_untouched();
}

TEST_F(CopyFile, SourceThatIsAFolderFails) {
  EXPECT_TRUE(file_system->copy_file(tree.path("out/"), tree.path("src/folder-copy")));
  EXPECT_FALSE(fs::exists(native(tree.path("src/folder-copy"))));
}

TEST_F(CopyFile, TargetThatIsAFolderFailsAndLeavesNoTemporaryFile) {
  tree.write("out/trip(1).jpg/inside.txt", "inside");
  EXPECT_TRUE(file_system->copy_file(tree.path("src/photo.jpg"), tree.path("out/trip(1).jpg")));
  EXPECT_EQ(tree.read("out/trip(1).jpg/inside.txt"), "inside");
  EXPECT_EQ(everything_in(tree.path("out/")), (std::set<std::string>{"trip(1).jpg"}));
  expect_source_untouched();
}

TEST_F(CopyFile, OntoItselfFailsAndKeepsTheFile) {
  EXPECT_TRUE(file_system->copy_file(tree.path("src/photo.jpg"), tree.path("src/photo.jpg")));
  expect_source_untouched();
  EXPECT_EQ(everything_in(tree.path("src/")), (std::set<std::string>{"photo.jpg"}));
}

TEST_F(NativeFileSystem, MakeFolderCreatesOneFolder) {
  const testing::TempTree tree;
  EXPECT_FALSE(file_system->folder_exists(tree.path("trip/")));
  EXPECT_FALSE(file_system->make_folder(tree.path("trip/")));
  EXPECT_TRUE(file_system->folder_exists(tree.path("trip/")));
  EXPECT_FALSE(file_system->make_folder(tree.path("2019")));
  EXPECT_TRUE(file_system->folder_exists(tree.path("2019/")));
}

TEST_F(NativeFileSystem, MakeFolderFailsWhereItCannotCreate) {
  const testing::TempTree tree({"trip/", "file"});
  EXPECT_EQ(file_system->make_folder(tree.path("trip/")), std::errc::file_exists);
  EXPECT_EQ(file_system->make_folder(tree.path("a/b/")), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(file_system->folder_exists(tree.path("a/")));
  EXPECT_TRUE(file_system->make_folder(tree.path("file/")));
  EXPECT_EQ(tree.read("file"), "file");
}

TEST_F(NativeFileSystem, FolderExistsOnlyForFolders) {
  const testing::TempTree tree({"trip/", "photo.jpg"});
  EXPECT_TRUE(file_system->folder_exists(tree.root()));
  EXPECT_TRUE(file_system->folder_exists(tree.path("trip/")));
  EXPECT_FALSE(file_system->folder_exists(tree.path("photo.jpg/")));
  EXPECT_FALSE(file_system->folder_exists(tree.path("missing/")));
  EXPECT_FALSE(file_system->folder_exists(""));
}

}  // namespace
}  // namespace tolvane::fsys
