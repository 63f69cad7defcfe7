// The scan under bad and unusual input (POSIX): folder texts that name no
// folder, odd names, links, FIFOs and sockets, and trees that are very
// wide, very deep or full of empty folders.  The scan always ends, lists
// exactly the ordinary files it should, byte for byte, and never crashes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "scan/folder_walk.h"
#include "tests/scan/allocation_count.h"
#include "tests/scan/scan_test_fixture.h"
#include "tests/support/odd_names.h"
#include "tests/support/posix_setup.h"
#include "tests/support/temp_tree.h"

namespace tolvane::scan {
namespace {

using testing::TempTree;

class ScanBadInput : public ScanTest {
 protected:
  // Scans what the folder text names, as Command1 does: nothing when the
  // text starts no walk.
  Entries scan_text(const std::string& text, const std::string& extension) {
    const std::optional<std::string> folder = folder_path_from_text(text);
    if (!folder) return {};
    return scan(*folder, extension);
  }
};

TEST_F(ScanBadInput, FolderTextsThatNameNoFolderListNothing) {
  TempTree tree{"photos/a.jpg", "photos/sub/b.jpg"};
  const std::string photos = tree.path("photos");
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"leading blank (a relative path)", " " + photos},
      {"trailing blank", photos + " "},
      {"tab and newline", photos + "\t\n"},
      {"control character inside", tree.path("pho\x01tos")},
      {"zero byte after the folder", photos + std::string(1, '\0') + "x"},
      {"zero byte alone", std::string(1, '\0')},
      {"a file", tree.path("photos/a.jpg")},
      {"4000 characters", tree.path(std::string(4000 - tree.root().size(), 'x'))},
      {"4000 characters of folders", tree.path([] {
         std::string deep;
         while (deep.size() < 4000) deep += "abcdefgh/";
         return deep + "z";
       }())},
      {"missing", tree.path("missing")},
      {"ends in the separator", photos + "/"},
      {"the root", "/"},
      {"empty", ""},
  };
  for (const auto& [what, text] : texts) {
    EXPECT_EQ(scan_text(text, ".jpg"), Entries{}) << what;
  }
  // The same folder, typed plainly, lists its files.
  EXPECT_EQ(scan_text(photos, ".jpg").size(), 2u);
  std::cout << "[ figures ] folder texts tried: " << texts.size() << "\n";
}

TEST_F(ScanBadInput, RelativeFolderTextIsTakenFromTheWorkingFolder) {
  TempTree tree{"photos/a.jpg"};
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(tree.root());
  const Entries relative = scan_text("photos", ".jpg");
  const Entries dotted = scan_text("./photos", ".jpg");
  std::filesystem::current_path(before);
  EXPECT_EQ(relative, (Entries{{"photos/a.jpg", "photos"}}));
  EXPECT_EQ(dotted, (Entries{{"./photos/a.jpg", "photos"}}));
}

TEST_F(ScanBadInput, OddNamesAreListedByteForByte) {
  const std::vector<std::string> names = testing::odd_file_names();
  TempTree tree{"odd/"};
  for (const std::string& name : names) tree.write("odd/" + name, name);
  Entries found = scan(tree.path("odd/"), ".jpg");
  ASSERT_EQ(found.size(), names.size());
  std::vector<std::string> listed;
  for (const auto& [path, tag] : found) {
    EXPECT_EQ(tag, "odd");
    ASSERT_TRUE(path.starts_with(tree.path("odd/")));
    listed.push_back(path.substr(tree.path("odd/").size()));
  }
  std::vector<std::string> sorted_names = names;
  std::sort(sorted_names.begin(), sorted_names.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, sorted_names);
}

TEST_F(ScanBadInput, LinksFifosAndSocketsNeverStopTheScan) {
  TempTree tree{"t/real.jpg", "t/sub/in.jpg"};
  ASSERT_EQ(::symlink("loop2.jpg", tree.path("t/loop1.jpg").c_str()), 0);
  ASSERT_EQ(::symlink("loop1.jpg", tree.path("t/loop2.jpg").c_str()), 0);
  ASSERT_EQ(::symlink("self.jpg", tree.path("t/self.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(tree.path("gone.jpg").c_str(), tree.path("t/dangling.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(tree.path("t").c_str(), tree.path("t/sub/up").c_str()), 0);
  ASSERT_EQ(::symlink("..", tree.path("t/sub/parent").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree.path("t/fifo.jpg").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(tree.path("t/fifo").c_str(), 0600), 0);  // queued, holds nothing
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = tree.path("t/socket.jpg");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const Entries found = scan(tree.path("t/"), ".jpg");
  ::close(sock);
  EXPECT_EQ(found, (Entries{{tree.path("t/real.jpg"), "t"}, {tree.path("t/sub/in.jpg"), "sub"}}));
}

TEST_F(ScanBadInput, TenThousandEmptyFoldersAreWalkedOnce) {
  TempTree tree{"wide/"};
  testing::TmpfsMount fast(tree.path("wide"), "size=64m");
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(::mkdir(tree.path("wide/f" + std::to_string(i)).c_str(), 0755), 0);
  }
  tree.write("wide/f9999/last.jpg", "x");
  EXPECT_EQ(scan(tree.path("wide/"), ".jpg"),
            (Entries{{tree.path("wide/f9999/last.jpg"), "f9999"}}));
  EXPECT_EQ(last_result.folders_walked, 10001u);
}

TEST_F(ScanBadInput, TwoHundredThousandFilesInOneFolder) {
  TempTree tree{"many/"};
  // A tmpfs makes and removes 200,000 files in a second; a disk may take
  // ten times as long, so the test runs on disk only when it must.
  testing::TmpfsMount fast(tree.path("many"), "size=256m");
  const std::string folder = tree.path("many/");
  constexpr int count = 200000;
  const auto make_files = [](const std::string& in, int how_many) {
    for (int i = 0; i < how_many; ++i) {
      const std::string path = in + "f" + std::to_string(i) + ".jpg";
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      ASSERT_GE(fd, 0) << path;
      ::close(fd);
    }
  };
  ASSERT_EQ(::mkdir((folder + "few").c_str(), 0755), 0);
  make_files(folder + "few/", count / 10);  // a tenth, to time against
  make_files(folder, count);
  // Memory asked for, a count of the scan's work: a tenth of the files
  // against all of them.
  Entries found;
  const auto scan_counted = [&](const std::string& scanned) {
    const std::size_t before = testing::allocations_so_far();
    found = scan(scanned, ".jpg");
    return testing::allocations_so_far() - before;
  };
  const std::size_t tenth = scan_counted(folder + "few/");
  const std::size_t all = scan_counted(folder);
  ASSERT_EQ(found.size(), static_cast<std::size_t>(count + count / 10));
  std::set<std::string> distinct;
  std::size_t tagged = 0;
  for (const auto& [listed, tag] : found) {
    tagged += tag == "many";
    distinct.insert(listed);
  }
  EXPECT_EQ(tagged, static_cast<std::size_t>(count));
  EXPECT_EQ(distinct.size(), found.size());
  EXPECT_TRUE(distinct.contains(folder + "f0.jpg"));
  EXPECT_TRUE(distinct.contains(folder + "f199999.jpg"));
  // Eleven times the files ask for about eleven times the memory; a scan
  // that copied its list or its names again for each file would ask for
  // thousands of times as much.
  EXPECT_LT(all, 13 * tenth);
  std::cout << "scan of " << count + count / 10 << " files: " << all << " allocations, of "
            << count / 10 << ": " << tenth << "\n";
}

TEST_F(ScanBadInput, SixtyFourLevelsDeepAreAllListedByDepth) {
  TempTree tree;
  std::string relative = "deep/";
  Entries expected;
  for (int level = 0; level < 64; ++level) {
    const std::string name = "d" + std::to_string(level);
    relative += name + "/";
    tree.write(relative + "f.jpg", relative);
    expected.emplace_back(tree.path(relative + "f.jpg"), name);
  }
  EXPECT_EQ(scan(tree.path("deep/"), ".jpg"), expected);
  EXPECT_EQ(last_result.folders_walked, 65u);
}

TEST_F(ScanBadInput, UnreadableFolderIsCountedAndTheRestIsListed) {
  TempTree tree{"u/locked/a.jpg", "u/locked/deeper/c.jpg", "u/open/b.jpg"};
  ASSERT_EQ(::chmod(tree.path("u/locked").c_str(), 0), 0);
  std::string reason;
  // Root reads any folder: the scan runs as nobody in a child then.
  const std::optional<std::string> outcome = testing::run_unprivileged(
      [&] {
        std::string text;
        for (const auto& [path, tag] : scan(tree.path("u/"), ".jpg")) text += path + ";";
        return text + std::to_string(last_result.folders_unreadable);
      },
      reason);
  ::chmod(tree.path("u/locked").c_str(), 0755);
  if (!outcome) GTEST_SKIP() << "no unreadable folder to test: " << reason;
  EXPECT_EQ(*outcome, tree.path("u/open/b.jpg") + ";1");
}

}  // namespace
}  // namespace tolvane::scan
