// The scan on real temporary trees: walk order, the dot rule, what is never
// listed, masks, tags, and stopping.
#include "scan/folder_walk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/path_separator.h"
#include "scan/folder_table.h"
#include "scan/folder_tag.h"
#include "tests/scan/recording_scan_window.h"
#include "tests/scan/scan_test_fixture.h"
#include "tests/support/temp_tree.h"

namespace tolvane::scan {
namespace {

using testing::RecordingScanWindow;
using testing::TempTree;

TEST_F(ScanTest, TableIsBreadthFirstAndSkipsNamesWithADot) {
  TempTree tree{"a/b/e/", "a/c.d/f/", "a/b/x.jpg", "a/c.d/y.jpg", "a/c.d/f/z.jpg", "a/g/"};
  EXPECT_EQ(table_folders(tree.path("a/")),
            (std::vector<std::string>{tree.path("a/"), tree.path("a/b/"), tree.path("a/g/"),
                                      tree.path("a/b/e/")}));
  EXPECT_EQ(scan(tree.path("a/"), ".jpg"), (Entries{{tree.path("a/b/x.jpg"), "b"}}));
}

// The dot rule stays, and nothing it keeps out is silent: the top folders
// it leaves out are counted and the first few named (not those below them,
// nor files with a dot); asked to, the walk takes them like any other.
TEST_F(ScanTest, DottedFoldersAreCountedAndNamedOrWalkedWhenAsked) {
  TempTree tree{"a/x.jpg",       "a/notes.txt",     "a/c.d/y.jpg",
                "a/c.d/f/z.jpg", "a/c.d/g.h/w.jpg", "a/b/e.f/v.jpg"};
  EXPECT_EQ(scan(tree.path("a/"), ".jpg"), (Entries{{tree.path("a/x.jpg"), "a"}}));
  EXPECT_EQ(last_result.folders_left_out, 2u);
  EXPECT_EQ(last_result.first_left_out,
            (std::vector<std::string>{tree.path("a/c.d/"), tree.path("a/b/e.f/")}));

  EXPECT_EQ(table_folders(tree.path("a/"), DottedFolders::walked),
            (std::vector<std::string>{tree.path("a/"), tree.path("a/b/"), tree.path("a/c.d/"),
                                      tree.path("a/b/e.f/"), tree.path("a/c.d/f/"),
                                      tree.path("a/c.d/g.h/")}));
  RecordingScanWindow window(".jpg");
  const ScanResult walked = Search_folder(tree.path("a/"), *fs, window, DottedFolders::walked);
  EXPECT_EQ(window.entries, (Entries{{tree.path("a/x.jpg"), "a"},
                                     {tree.path("a/c.d/y.jpg"), "c.d"},
                                     {tree.path("a/b/e.f/v.jpg"), "e.f"},
                                     {tree.path("a/c.d/f/z.jpg"), "f"},
                                     {tree.path("a/c.d/g.h/w.jpg"), "g.h"}}));
  EXPECT_EQ(walked.folders_left_out, 0u);
  EXPECT_EQ(walked.folders_unreadable, 0u);
}

// The window tells a typo from a folder that holds nothing.
TEST_F(ScanTest, MissingStartFolderIsToldApartFromAnEmptyOne) {
  TempTree tree{"empty/"};
  EXPECT_EQ(scan(tree.path("missing/"), ".jpg"), Entries{});
  EXPECT_TRUE(last_result.start_missing);
  EXPECT_EQ(last_result.folders_unreadable, 0u);
  EXPECT_EQ(scan(tree.path("empty/"), ".jpg"), Entries{});
  EXPECT_FALSE(last_result.start_missing);
}

TEST_F(ScanTest, ListsFoldersInTableOrderAndFilesByName) {
  TempTree tree{"p/top.jpg",    "p/trip/IMG_0002.jpg", "p/trip/img_0001.JPG",
                "p/2019/z.jpg", "p/2019/deep/a.jpg",   "p/trip/notes.txt"};
  EXPECT_EQ(scan(tree.path("p/"), ".jpg"), (Entries{{tree.path("p/top.jpg"), "p"},
                                                    {tree.path("p/2019/z.jpg"), "2019"},
                                                    {tree.path("p/trip/img_0001.JPG"), "trip"},
                                                    {tree.path("p/trip/IMG_0002.jpg"), "trip"},
                                                    {tree.path("p/2019/deep/a.jpg"), "deep"}}));
}

TEST_F(ScanTest, FileWithoutADotTakesASlotAndListsNothing) {
  TempTree tree{"r/README", "r/a.jpg"};
  EXPECT_EQ(table_folders(tree.path("r/")),
            (std::vector<std::string>{tree.path("r/"), tree.path("r/README/")}));
  EXPECT_EQ(scan(tree.path("r/"), ".*"),
            (Entries{{tree.path("r/a.jpg"), "r"}, {tree.path("r/README"), "r"}}));
  EXPECT_EQ(last_result.folders_walked, 2u);
  EXPECT_EQ(last_result.folders_unreadable, 0u);
}

TEST_F(ScanTest, StartFolderWithADotIsWalked) {
  TempTree tree{"photos.old/a.jpg", "photos.old/sub/b.jpg", "photos.old/x.y/c.jpg"};
  EXPECT_EQ(scan(tree.path("photos.old/"), ".jpg"),
            (Entries{{tree.path("photos.old/a.jpg"), "photos.old"},
                     {tree.path("photos.old/sub/b.jpg"), "sub"}}));
}

TEST_F(ScanTest, ExtensionTextBecomesAMask) {
  TempTree tree{"m/a.jpg", "m/B.JPG", "m/cjpg", "m/d.jpeg", "m/e.png", "m/noext"};
  const std::string m = tree.path("m/");
  auto names = [&](const std::string& extension) {
    std::vector<std::string> result;
    for (const auto& [path, tag] : scan(m, extension)) result.push_back(path.substr(m.size()));
    return result;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(".jpg"), (Names{"a.jpg", "B.JPG"}));
  EXPECT_EQ(names("jpg"), (Names{"a.jpg", "B.JPG", "cjpg"}));
  EXPECT_EQ(names(".*"), (Names{"a.jpg", "B.JPG", "cjpg", "d.jpeg", "e.png", "noext"}));
  EXPECT_EQ(names(""), (Names{"a.jpg", "B.JPG", "cjpg", "d.jpeg", "e.png", "noext"}));
  EXPECT_EQ(names(".?pg"), (Names{"a.jpg", "B.JPG"}));
  EXPECT_EQ(names("?p?g"), (Names{"d.jpeg", "e.png"}));
  EXPECT_EQ(names(".gif"), Names{});
}

TEST_F(ScanTest, FoldersOfTheSameNameGiveTheSameTag) {
  TempTree tree{"t/a/trip/1.jpg", "t/b/trip/2.jpg"};
  EXPECT_EQ(scan(tree.path("t/"), ".jpg"), (Entries{{tree.path("t/a/trip/1.jpg"), "trip"},
                                                    {tree.path("t/b/trip/2.jpg"), "trip"}}));
}

TEST_F(ScanTest, MissingStartFolderListsNothing) {
  TempTree tree;
  EXPECT_EQ(scan(tree.path("nothing-here/"), ".jpg"), Entries{});
  EXPECT_EQ(last_result.folders_walked, 1u);
  // A text that names no folder finds nothing; it is not a folder left unread.
  EXPECT_EQ(last_result.folders_unreadable, 0u);
}

// Run from inside photos/sub: every way of writing a folder with "." or ".."
// tags it with its own name, and the folders below keep theirs.
TEST_F(ScanTest, StartFolderWrittenWithDotsIsTaggedWithItsRealName) {
  TempTree tree{"photos/a.jpg", "photos/sub/b.jpg"};
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(tree.path("photos/sub"));
  const std::string sep(1, fsys::separator);
  const std::string up = ".." + sep;
  const std::vector<std::pair<std::string, Entries>> cases = {
      {".", {{"." + sep + "b.jpg", "sub"}}},
      {"..", {{up + "a.jpg", "photos"}, {up + "sub" + sep + "b.jpg", "sub"}}},
      {up + ".",
       {{up + "." + sep + "a.jpg", "photos"}, {up + "." + sep + "sub" + sep + "b.jpg", "sub"}}},
      {up + "sub" + sep + "..",
       {{up + "sub" + sep + up + "a.jpg", "photos"},
        {up + "sub" + sep + up + "sub" + sep + "b.jpg", "sub"}}},
      {tree.path("photos/sub/."), {{tree.path("photos/sub/./b.jpg"), "sub"}}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(scan(*folder_path_from_text(text), ".jpg"), expected) << text;
  }
  // The root keeps the empty tag, however it is written.
  const std::string root = std::filesystem::path(tree.root()).root_path().string();
  EXPECT_EQ(start_folder_tag(root + "." + sep), "");
  EXPECT_EQ(start_folder_tag(root + ".." + sep), "");
  std::filesystem::current_path(was);
}

TEST_F(ScanTest, ExtensionIsReadOncePerFolderAndChangesApplyFromTheNextFolder) {
  TempTree tree{"x/1.jpg", "x/2.jpg", "x/3.png", "x/y/4.jpg", "x/y/5.png"};
  RecordingScanWindow window(".jpg");
  window.on_yield = [](RecordingScanWindow& w) { w.set_extension(".png"); };
  Search_folder(tree.path("x/"), *fs, window);
  EXPECT_EQ(window.entries, (Entries{{tree.path("x/1.jpg"), "x"},
                                     {tree.path("x/2.jpg"), "x"},
                                     {tree.path("x/y/5.png"), "y"}}));
  EXPECT_EQ(window.extension_reads, 2u);
  EXPECT_EQ(window.yields, 3u);
}

// Over a file system that reads on the window's thread only, every folder
// is read on that thread and listed before the next is read, so the scan
// never holds more than one folder's names: at every read the list already
// holds the matches of every folder before it in the table.
TEST_F(ScanTest, EachFolderIsListedBeforeTheNextIsRead) {
  struct ListedAtEachRead : fsys::WholeCopyFileSystem {
    ListedAtEachRead(fsys::FileSystem& inner, const RecordingScanWindow& listing)
        : disk(inner), window(listing) {}
    fsys::FolderContents read_folder(const std::string& folder) override {
      {
        const std::lock_guard lock(mutex);
        listed.push_back(window.entries.size());
        if (std::this_thread::get_id() != scanning) ++read_elsewhere;
      }
      return disk.read_folder(folder);
    }
    std::error_code copy_whole(const std::string&, const std::string&, fsys::LookAlike,
                               fsys::CopyOutcome&) override {
      return {};
    }
    std::error_code move_to_trash(const std::string&) override { return {}; }
    std::error_code flush() override { return {}; }
    std::error_code make_folder(const std::string&) override { return {}; }
    bool folder_exists(const std::string&) override { return false; }

    fsys::FileSystem& disk;
    const RecordingScanWindow& window;
    const std::thread::id scanning = std::this_thread::get_id();
    std::mutex mutex;
    std::vector<std::size_t> listed;
    std::atomic<int> read_elsewhere{0};
  };
  TempTree tree{"w/1.jpg", "w/2.jpg", "w/a/3.jpg", "w/b/", "w/a/c/4.jpg", "w/a/c/5.jpg"};
  RecordingScanWindow window(".jpg");
  ListedAtEachRead reads(*fs, window);
  // The other folders are known by now: a helper thread, were there one,
  // gets every chance to read one.
  window.on_yield = [&reads](RecordingScanWindow& w) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (w.yields == 1 && reads.read_elsewhere == 0 &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  Search_folder(tree.path("w/"), reads, window);
  EXPECT_EQ(reads.read_elsewhere, 0);
  // w/, w/a/, w/b/, w/a/c/
  EXPECT_EQ(reads.listed, (std::vector<std::size_t>{0, 2, 3, 3}));
  EXPECT_EQ(window.entries.size(), 5u);
}

TEST_F(ScanTest, AStopAtAYieldEndsTheScan) {
  TempTree tree{"s/1.jpg", "s/2.jpg", "s/t/3.jpg"};
  RecordingScanWindow window(".jpg");
  window.stop_at_yield = 2;
  const ScanResult result = Search_folder(tree.path("s/"), *fs, window);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(window.entries.size(), 2u);
}

TEST(FolderPathFromText, AppendsTheSeparatorOnlyWhenMissing) {
  const std::string sep(1, fsys::separator);
  EXPECT_EQ(folder_path_from_text(""), std::nullopt);
  EXPECT_EQ(folder_path_from_text(sep), std::nullopt);
  EXPECT_EQ(folder_path_from_text("photos" + sep), std::nullopt);
  EXPECT_EQ(folder_path_from_text("photos"), "photos" + sep);
  EXPECT_EQ(folder_path_from_text(" photos "), " photos " + sep);
}

}  // namespace
}  // namespace tolvane::scan
