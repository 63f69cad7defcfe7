// First entry / next entry over a fake folder and over a real one.
#include "fsys/enumeration.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fsys/path_separator.h"
#include "tests/support/temp_tree.h"

namespace tolvane::fsys {
namespace {

// A file system with fixed folders that counts how often each is read.
class FakeFileSystem final : public FileSystem {
 public:
  std::map<std::string, FolderContents> folders;
  std::map<std::string, int> reads;

  FolderContents read_folder(const std::string& folder) override {
    ++reads[folder];
    const auto found = folders.find(folder);
    if (found == folders.end()) {
      return {{}, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    return found->second;
  }
  std::error_code copy_file(const std::string&, const std::string&, CopyOutcome&) override {
    return std::make_error_code(std::errc::operation_not_supported);
  }
  std::error_code move_to_trash(const std::string&) override {
    return std::make_error_code(std::errc::operation_not_supported);
  }
  std::error_code flush() override { return {}; }
  std::error_code make_folder(const std::string&) override {
    return std::make_error_code(std::errc::operation_not_supported);
  }
  bool folder_exists(const std::string& folder) override { return folders.contains(folder); }
};

std::vector<std::string> drain(Enumeration& enumeration) {
  std::vector<std::string> names;
  for (std::string name = enumeration.next(); !name.empty(); name = enumeration.next()) {
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> names_of(FileSystem& file_system, const std::string& search_text,
                                  Filter filter) {
  Enumeration enumeration(file_system, search_text, filter);
  return drain(enumeration);
}

class EnumerationOverFake : public ::testing::Test {
 protected:
  void SetUp() override {
    file_system.folders[folder] = {{{"2019", EntryKind::folder},
                                    {"a.jpg", EntryKind::file},
                                    {"B.JPG", EntryKind::file},
                                    {"c.png", EntryKind::file},
                                    {"photos.old", EntryKind::folder},
                                    {"README", EntryKind::file}},
                                   {}};
  }

  const std::string folder = std::string("top") + separator;
  FakeFileSystem file_system;
};

TEST_F(EnumerationOverFake, FilesOnlyWithAMaskKeepTheFolderOrder) {
  EXPECT_EQ(names_of(file_system, folder + "*.jpg", Filter::files),
            (std::vector<std::string>{"a.jpg", "B.JPG"}));
  EXPECT_EQ(names_of(file_system, folder + "*.*", Filter::files),
            (std::vector<std::string>{"a.jpg", "B.JPG", "c.png", "README"}));
  EXPECT_EQ(names_of(file_system, folder + "*", Filter::files),
            (std::vector<std::string>{"a.jpg", "B.JPG", "c.png", "README"}));
  EXPECT_EQ(names_of(file_system, folder + "*jpg", Filter::files),
            (std::vector<std::string>{"a.jpg", "B.JPG"}));
}

TEST_F(EnumerationOverFake, FolderAloneGivesDotsThenEveryEntry) {
  EXPECT_EQ(names_of(file_system, folder, Filter::files_and_folders),
            (std::vector<std::string>{".", "..", "2019", "a.jpg", "B.JPG", "c.png", "photos.old",
                                      "README"}));
  EXPECT_EQ(names_of(file_system, folder, Filter::files),
            (std::vector<std::string>{"a.jpg", "B.JPG", "c.png", "README"}));
}

TEST_F(EnumerationOverFake, TheDotsAreMatchedByTheMaskLikeOtherNames) {
  EXPECT_EQ(names_of(file_system, folder + "*.*", Filter::files_and_folders),
            (std::vector<std::string>{".", "..", "2019", "a.jpg", "B.JPG", "c.png", "photos.old",
                                      "README"}));
  EXPECT_EQ(names_of(file_system, folder + "*.jpg", Filter::files_and_folders),
            (std::vector<std::string>{"a.jpg", "B.JPG"}));
  EXPECT_EQ(names_of(file_system, folder + "?", Filter::files_and_folders),
            (std::vector<std::string>{"."}));
}

TEST_F(EnumerationOverFake, ReadsTheFolderOnceAndEndsWithEmptyTextForGood) {
  Enumeration enumeration(file_system, folder + "*.png", Filter::files);
  EXPECT_EQ(file_system.reads[folder], 1);
  EXPECT_EQ(enumeration.next(), "c.png");
  EXPECT_EQ(enumeration.next(), "");
  EXPECT_EQ(enumeration.next(), "");
  EXPECT_EQ(file_system.reads[folder], 1);
}

TEST_F(EnumerationOverFake, TwoEnumerationsDoNotDisturbEachOther) {
  Enumeration first(file_system, folder + "*.jpg", Filter::files);
  EXPECT_EQ(first.next(), "a.jpg");
  Enumeration second(file_system, folder, Filter::files_and_folders);
  EXPECT_EQ(second.next(), ".");
  EXPECT_EQ(first.next(), "B.JPG");
  EXPECT_EQ(first.next(), "");
  EXPECT_EQ(second.next(), "..");
}

TEST_F(EnumerationOverFake, AnUnreadableFolderGivesNothingNotEvenTheDots) {
  const std::string missing = std::string("missing") + separator;
  EXPECT_TRUE(names_of(file_system, missing, Filter::files_and_folders).empty());
  EXPECT_TRUE(names_of(file_system, missing + "*.*", Filter::files).empty());
  EXPECT_EQ(file_system.reads[missing], 2);
}

TEST_F(EnumerationOverFake, TheMaskIsCutAtTheLastSeparator) {
  const std::string inner = folder + "2019" + separator;
  file_system.folders[inner] = {{{"x.jpg", EntryKind::file}}, {}};
  EXPECT_EQ(names_of(file_system, inner + "*.jpg", Filter::files),
            (std::vector<std::string>{"x.jpg"}));
  EXPECT_EQ(file_system.reads[inner], 1);
  EXPECT_EQ(file_system.reads.count(folder), 0u);
}

TEST(EnumerationOverDisk, ListsARealFolder) {
  const testing::TempTree tree({"a.JPG", "b.jpg", "notes.txt", "sub/", "sub/deep.jpg"});
  auto file_system = make_native_file_system();
  EXPECT_EQ(names_of(*file_system, tree.root() + "*.jpg", Filter::files),
            (std::vector<std::string>{"a.JPG", "b.jpg"}));
  EXPECT_EQ(names_of(*file_system, tree.root(), Filter::files_and_folders),
            (std::vector<std::string>{".", "..", "a.JPG", "b.jpg", "notes.txt", "sub"}));
  EXPECT_TRUE(names_of(*file_system, tree.path("nowhere/"), Filter::files_and_folders).empty());
  EXPECT_TRUE(names_of(*file_system, tree.path("notes.txt/"), Filter::files_and_folders).empty());
}

}  // namespace
}  // namespace tolvane::fsys
