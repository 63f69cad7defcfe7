// The POSIX backend where POSIX differs: hidden dot names, links, FIFOs,
// permissions, names that are bytes rather than UTF-8, and copies across
// file systems.
#include "fsys/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/mask_match.h"
#include "fsys/posix/entry_kind.h"
#include "fsys/quick_check.h"
#include "tests/support/page_cache.h"
#include "tests/support/posix_setup.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::fsys {
namespace {

std::vector<std::string> listing(const FolderContents& contents) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : contents.entries) {
    names.push_back(entry.name + (entry.kind == EntryKind::folder ? "/" : ""));
  }
  return names;
}

void make_link(const std::string& target, const std::string& link) {
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << std::strerror(errno);
}

struct stat info_of(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path << ": " << std::strerror(errno);
  return info;
}

class PosixFileSystem : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> file_system = make_native_file_system();
};

TEST_F(PosixFileSystem, ReadFolderLeavesOutWhatIsNotAnOrdinaryFileOrFolder) {
  testing::TempTree tree({"photo.jpg", "album/", ".hidden.jpg", ".cache/", ".cache/x.jpg"});
  ASSERT_EQ(::mkfifo(tree.path("pipe.jpg").c_str(), 0600), 0) << std::strerror(errno);
  make_link("photo.jpg", tree.path("link-to-file.jpg"));
  make_link(tree.path("album"), tree.path("link-to-folder"));
  make_link(".", tree.path("loop"));
  make_link("missing.jpg", tree.path("dangling.jpg"));
  make_link("photo.jpg", tree.path(".hidden-link.jpg"));
  make_link("pipe.jpg", tree.path("link-to-pipe.jpg"));
  make_link("/dev/null", tree.path("link-to-device.jpg"));
  const std::vector<std::string> listed = {"album/", "link-to-file.jpg", "photo.jpg"};

  const FolderContents contents = file_system->read_folder(tree.root());
  EXPECT_FALSE(contents.error);
  EXPECT_EQ(listing(contents), listed);

  // A file system that gives no type in its listing: each entry is looked
  // at on its own, and must come out the same.
  std::vector<std::string> untyped;
  const int dir_fd = ::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY);
  for (const char* name : {"album", "link-to-file.jpg", "photo.jpg", "pipe.jpg", "link-to-folder",
                           "loop", "dangling.jpg", "link-to-pipe.jpg", "link-to-device.jpg"}) {
    const auto kind = posix::listed_kind(dir_fd, name, DT_UNKNOWN);
    if (kind) untyped.push_back(name + std::string(kind == EntryKind::folder ? "/" : ""));
  }
  ::close(dir_fd);
  EXPECT_EQ(untyped, listed);
}

// A folder whose entries take many reads of the kernel's listing: every
// one is listed, in order, and the hidden ones spread among them are not.
TEST_F(PosixFileSystem, ReadFolderListsEveryEntryOfAFolderTooLargeForOneRead) {
  testing::TempTree tree({"big/"});
  std::vector<std::string> expected;
  for (int k = 0; k < 2500; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "photo-of-a-long-afternoon-by-the-sea-%05d.jpg", k);
    const std::string shown = name;
    tree.write("big/" + shown, "");
    expected.push_back(shown);
    if (k % 100 == 0) tree.write("big/." + shown, "");
  }
  tree.add("big/zz-folder/");
  expected.push_back("zz-folder/");
  const FolderContents contents = file_system->read_folder(tree.path("big"));
  ASSERT_FALSE(contents.error) << contents.error.message();
  EXPECT_EQ(listing(contents), expected);
}

TEST_F(PosixFileSystem, NamesThatDifferOnlyInCaseAreBothListedInByteOrder) {
  testing::TempTree tree({"img_0002.jpg", "IMG_0001.jpg", "IMG_0002.jpg"});
  const FolderContents contents = file_system->read_folder(tree.root());
  EXPECT_FALSE(contents.error);
  EXPECT_EQ(listing(contents),
            (std::vector<std::string>{"IMG_0001.jpg", "IMG_0002.jpg", "img_0002.jpg"}));
}

TEST_F(PosixFileSystem, ReadFolderOfALinkToAFolderStillReadsIt) {
  // Only links found inside a folder are left out; a path the caller names
  // through a link is the caller's choice.
  testing::TempTree tree({"album/", "album/a.jpg"});
  make_link(tree.path("album"), tree.path("via-link"));
  EXPECT_EQ(listing(file_system->read_folder(tree.path("via-link/"))),
            (std::vector<std::string>{"a.jpg"}));
}

TEST_F(PosixFileSystem, UnreadableFolderGivesAnError) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root, which reads any folder";
  testing::TempTree tree({"locked/", "locked/a.jpg"});
  ASSERT_EQ(::chmod(tree.path("locked").c_str(), 0), 0);
  const FolderContents contents = file_system->read_folder(tree.path("locked/"));
  EXPECT_EQ(contents.error, std::errc::permission_denied);
  EXPECT_TRUE(contents.entries.empty());
}

TEST_F(PosixFileSystem, NonUtf8NamesPassThroughAsBytes) {
  // "马法" in GBK, as an old archive would hold it: not valid UTF-8.
  const std::string name = "\xC2\xED\xB7\xA8.jpg";
  testing::TempTree tree({"out/"});
  const std::string content = "gbk named file\n\x00\xFF";
  {
    const int fd = ::open(tree.path(name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
  }
  EXPECT_EQ(listing(file_system->read_folder(tree.root())),
            (std::vector<std::string>{"out/", name}));

  // Found by the extension as a scan finds it, the name's bytes unchanged.
  std::string found;
  for (const FolderEntry& entry : file_system->read_folder(tree.root()).entries) {
    if (entry.kind == EntryKind::file && mask_matches("*.jpg", entry.name)) found = entry.name;
  }
  ASSERT_EQ(found, name);
  EXPECT_FALSE(file_system->copy_file(tree.root() + found, tree.path("out/") + found));
  EXPECT_EQ(tree.read("out/" + name), content);
}

TEST_F(PosixFileSystem, CopyOfALinkCopiesTheFileBehindIt) {
  testing::TempTree tree({"photo.jpg", "out/"});
  make_link("photo.jpg", tree.path("link.jpg"));
  EXPECT_FALSE(file_system->copy_file(tree.path("link.jpg"), tree.path("out/copy.jpg")));
  struct stat info {};
  ASSERT_EQ(::lstat(tree.path("out/copy.jpg").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(tree.read("out/copy.jpg"), "photo.jpg");
}

TEST_F(PosixFileSystem, CopyOntoAHardLinkOfTheSourceFails) {
  testing::TempTree tree({"photo.jpg"});
  ASSERT_EQ(::link(tree.path("photo.jpg").c_str(), tree.path("same.jpg").c_str()), 0);
  EXPECT_TRUE(file_system->copy_file(tree.path("photo.jpg"), tree.path("same.jpg")));
  EXPECT_EQ(tree.read("photo.jpg"), "photo.jpg");
  EXPECT_EQ(info_of(tree.path("same.jpg")).st_ino, info_of(tree.path("photo.jpg")).st_ino);
}

TEST_F(PosixFileSystem, CopyFromAFifoFailsInsteadOfWaiting) {
  testing::TempTree tree({"out/"});
  ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0600), 0);
  EXPECT_TRUE(file_system->copy_file(tree.path("pipe"), tree.path("out/pipe")));
  EXPECT_FALSE(file_system->folder_exists(tree.path("out/pipe/")));
  EXPECT_NE(::access(tree.path("out/pipe").c_str(), F_OK), 0);
}

TEST_F(PosixFileSystem, CopyKeepsTheSourcePermissionsAndNanoseconds) {
  testing::TempTree tree({"photo.jpg", "out/", "out/old.jpg"});
  ASSERT_EQ(::chmod(tree.path("photo.jpg").c_str(), 0640), 0);
  const struct timespec times[2] = {{1000000000, 111}, {1200000000, 987654321}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("photo.jpg").c_str(), times, 0), 0);
  const mode_t old_mask = ::umask(022);
  const std::error_code fresh =
      file_system->copy_file(tree.path("photo.jpg"), tree.path("out/new.jpg"));
  const std::error_code replaced =
      file_system->copy_file(tree.path("photo.jpg"), tree.path("out/old.jpg"));
  ::umask(old_mask);
  ASSERT_FALSE(fresh) << fresh.message();
  ASSERT_FALSE(replaced) << replaced.message();
  for (const char* copy : {"out/new.jpg", "out/old.jpg"}) {
    SCOPED_TRACE(copy);
    const struct stat info = info_of(tree.path(copy));
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 987654321);
  }
}

TEST_F(PosixFileSystem, CopyReplacesAReadOnlyTarget) {
  testing::TempTree tree({"photo.jpg", "out/", "out/photo.jpg"});
  tree.write("out/photo.jpg", "old");
  ASSERT_EQ(::chmod(tree.path("out/photo.jpg").c_str(), 0444), 0);
  EXPECT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("out/photo.jpg")));
  EXPECT_EQ(tree.read("out/photo.jpg"), "photo.jpg");
}

TEST_F(PosixFileSystem, CopyIntoAReadOnlyFolderFailsAndKeepsTheTarget) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root, which writes into any folder";
  testing::TempTree tree({"photo.jpg", "out/"});
  tree.write("out/photo.jpg", "old");
  ASSERT_EQ(::chmod(tree.path("out").c_str(), 0555), 0);
  EXPECT_EQ(file_system->copy_file(tree.path("photo.jpg"), tree.path("out/photo.jpg")),
            std::errc::permission_denied);
  EXPECT_EQ(file_system->copy_file(tree.path("photo.jpg"), tree.path("out/new.jpg")),
            std::errc::permission_denied);
  EXPECT_EQ(tree.read("out/photo.jpg"), "old");
}

// A coarser file system keeps a copy's time cut to 10 ms (exFAT), 1 s or
// 2 s (FAT), rounded down or up: a file of the source's size at such a time
// is its copy and stays; a time off those steps is another file's.
TEST_F(PosixFileSystem, QuickCheckTakesATimeRoundedEitherWayForTheSources) {
  struct Row {
    const char* name;
    struct timespec source, target;
    CopyOutcome outcome;
  };
  constexpr auto unchanged = CopyOutcome::unchanged;
  const std::vector<Row> rows = {
      {"to the tick", {1200000000, 987654321}, {1200000000, 987654321}, unchanged},
      {"10 ms down", {1200000000, 987654321}, {1200000000, 980000000}, unchanged},
      {"10 ms up", {1200000000, 987654321}, {1200000000, 990000000}, unchanged},
      {"1 s up", {1200000000, 987654321}, {1200000001, 0}, unchanged},
      {"2 s down", {1200000001, 500000000}, {1200000000, 0}, unchanged},
      {"2 s up", {1200000000, 500000000}, {1200000002, 0}, unchanged},
      {"10 ms later", {1200000000, 987654321}, {1200000000, 997654321}, CopyOutcome::replaced},
      {"3 s later", {1200000000, 500000000}, {1200000003, 0}, CopyOutcome::replaced},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TempTree tree({"out/"});
    tree.write("photo.jpg", "new copy");
    tree.write("out/photo.jpg", "old copy");
    const struct timespec source_times[2] = {row.source, row.source};
    const struct timespec target_times[2] = {row.target, row.target};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("photo.jpg").c_str(), source_times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("out/photo.jpg").c_str(), target_times, 0), 0);
    EXPECT_EQ(target_looks_unchanged(tree.path("photo.jpg"), tree.path("out/photo.jpg")),
              row.outcome == unchanged);
    CopyOutcome outcome{};
    EXPECT_FALSE(
        file_system->copy_file(tree.path("photo.jpg"), tree.path("out/photo.jpg"), outcome));
    EXPECT_EQ(outcome, row.outcome);
    EXPECT_EQ(tree.read("out/photo.jpg"), row.outcome == unchanged ? "old copy" : "new copy");
  }
}

// A file whose size reads 0 may hold data all the same (procfs, some FUSE
// mounts): the copy reads it to its end, also where the kernel's own copy
// stops at that size (see copy_file_range below).
TEST_F(PosixFileSystem, CopyOfAFileWhoseSizeReadsZeroHoldsItsData) {
  if (info_of("/proc/self/status").st_size != 0) GTEST_SKIP() << "no procfs file of size 0 here";
  testing::TempTree tree({"out/"});
  EXPECT_FALSE(file_system->copy_file("/proc/self/status", tree.path("out/status")));
  EXPECT_TRUE(tree.read("out/status").starts_with("Name:")) << tree.read("out/status");
}

// A file replaced on another mounted volume goes to the trash at that
// volume's top, and its record names it below that top, bytes ≥ 0x80
// percent-encoded one by one, so that a file manager can restore it
// wherever the volume is mounted next.
TEST_F(PosixFileSystem, AFileReplacedOnAnotherVolumeGoesToThatVolumesTrash) {
  testing::TempTree tree({"stick/"});
  const testing::TmpfsMount stick(tree.path("stick"), "size=1m");
  if (!stick.mounted()) GTEST_SKIP() << "no second volume: " << stick.reason();
  const std::string name = "照片.jpg";
  tree.write("stick/trip/" + name, "the old one");
  tree.write("new.jpg", "new");
  CopyOutcome outcome{};
  const std::error_code error =
      file_system->copy_file(tree.path("new.jpg"), tree.path("stick/trip/") + name, outcome);
  EXPECT_FALSE(error) << error.message();
  EXPECT_EQ(outcome, CopyOutcome::replaced);
  EXPECT_EQ(tree.read("stick/trip/" + name), "new");
  const std::string trash = ".Trash-" + std::to_string(::getuid());
  EXPECT_EQ(testing::read_file(tree.path("stick/" + trash + "/files/") + name), "the old one");
  const std::string record =
      testing::read_file(tree.path("stick/" + trash + "/info/") + name + ".trashinfo");
  EXPECT_TRUE(record.starts_with("[Trash Info]\nPath=trip/%E7%85%A7%E7%89%87.jpg\nDeletionDate="))
      << record;
  // Nothing hidden is left anywhere else, on either volume.
  EXPECT_EQ(testing::hidden_files_below(tree.root()), std::vector<std::string>{"stick/" + trash});
}

// A window keeps one file system for all its runs: every flush puts the
// copies since the one before on the device, in a folder flushed before too.
TEST_F(PosixFileSystem, EveryFlushPutsTheCopiesSinceTheLastOneOnTheDevice) {
  testing::TempTree tree({"out/"});
  for (const char* name : {"first.jpg", "second.jpg"}) {
    SCOPED_TRACE(name);
    tree.write(name, std::string(256 * 1024, name[0]));
    ASSERT_FALSE(file_system->copy_file(tree.path(name), tree.path("out/") + name));
    ASSERT_FALSE(file_system->flush());
    const std::optional<std::uint64_t> left =
        testing::pages_not_on_device(tree.path("out/") + name);
    if (!left) GTEST_SKIP() << "this kernel does not tell which pages are written (cachestat)";
    EXPECT_EQ(*left, 0u);
  }
}

// The names of the folders this process holds open under `root`.
std::vector<std::string> held_open_under(const std::string& root) {
  std::vector<std::string> held;
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return held;
  while (const dirent* entry = ::readdir(fds)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0 && std::string_view(target, length).starts_with(root)) {
      held.emplace_back(target, length);
    }
  }
  ::closedir(fds);
  return held;
}

// A window session runs the copy again and again: between runs the user
// may swap the card the photos come from, and must be able to unmount it.
TEST_F(PosixFileSystem, ASourceFolderSwappedBetweenRunsIsReadAnewAndNoneStaysOpen) {
  testing::TempTree tree({"card/trip/", "out/"});
  tree.write("card/trip/a.jpg", "first card");
  tree.write("card/trip/b.jpg", "first card too");
  ASSERT_FALSE(file_system->copy_file(tree.path("card/trip/a.jpg"), tree.path("out/1.jpg")));
  ASSERT_FALSE(file_system->flush());
  EXPECT_EQ(held_open_under(tree.path("card")), std::vector<std::string>{});

  ASSERT_EQ(::rename(tree.path("card").c_str(), tree.path("first-card").c_str()), 0);
  tree.add("card/trip/");
  tree.write("card/trip/b.jpg", "second card");
  ASSERT_FALSE(file_system->copy_file(tree.path("card/trip/b.jpg"), tree.path("out/2.jpg")));
  ASSERT_FALSE(file_system->flush());
  EXPECT_EQ(tree.read("out/1.jpg"), "first card");
  EXPECT_EQ(tree.read("out/2.jpg"), "second card");
  EXPECT_EQ(held_open_under(tree.path("card")), std::vector<std::string>{});
}

TEST_F(PosixFileSystem, CopyAcrossFileSystems) {
  // /dev/shm is a tmpfs on most Linux systems; the copy then cannot stay in
  // the kernel's same-file-system path and must fall back.
  testing::TempTree tree({"photo.jpg"});
  const std::string content(1024 * 1024 + 3, 'x');
  tree.write("photo.jpg", content);
  struct stat shm {};
  if (::stat("/dev/shm", &shm) != 0 || !S_ISDIR(shm.st_mode) ||
      shm.st_dev == info_of(tree.root()).st_dev || ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no writable /dev/shm on another file system here";
  }
  const std::string target = "/dev/shm/tolvane-test-" + std::to_string(::getpid()) + ".jpg";
  const std::error_code error = file_system->copy_file(tree.path("photo.jpg"), target);
  std::string copied;
  if (const int fd = ::open(target.c_str(), O_RDONLY); fd >= 0) {
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) copied.append(buffer, got);
    ::close(fd);
  }
  ::unlink(target.c_str());
  EXPECT_FALSE(error) << error.message();
  EXPECT_EQ(copied, content);
}

// The bytes reach the copy whatever the file tells of its size: none, one,
// a few pages and an odd tail, and a file of the kernel's that claims no
// size at all, which the in-kernel copy refuses and a later way reads.
TEST_F(PosixFileSystem, CopyHoldsEveryByteWhateverTheSourceSaysOfItsSize) {
  testing::TempTree tree({"out/"});
  std::string proc_version;
  if (const int fd = ::open("/proc/version", O_RDONLY); fd >= 0) {
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
      proc_version.append(buffer, got);
    ::close(fd);
  }
  struct Case {
    std::string source;
    std::string content;
  };
  std::vector<Case> cases = {
      {"empty.jpg", ""}, {"one.jpg", "x"}, {"pages.jpg", std::string(3 * 4096 + 17, 'p')}};
  for (Case& written : cases) {
    tree.write(written.source, written.content);
    written.source = tree.path(written.source);
  }
  if (!proc_version.empty()) cases.push_back({"/proc/version", proc_version});
  for (std::size_t k = 0; k < cases.size(); ++k) {
    SCOPED_TRACE(cases[k].source);
    const std::string target = "out/copy" + std::to_string(k) + ".jpg";
    const std::error_code error = file_system->copy_file(cases[k].source, tree.path(target));
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(tree.read(target), cases[k].content);
  }
}

// Folders this object makes learn their volume as they are made; copies
// into them, into a folder that stood before, and into a folder on another
// volume are all named, and one flush puts each volume's on its device.
// A run makes and names its copies through the folders it keeps open; the
// next run must not: a folder moved away and made again in between takes
// the next copy, and the one moved away gets nothing.
TEST_F(PosixFileSystem, AFolderMadeAgainAfterAFlushTakesTheNextCopies) {
  testing::TempTree tree({"photo.jpg"});
  tree.write("photo.jpg", "content");
  ASSERT_FALSE(file_system->make_folder(tree.path("trip/")));
  ASSERT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("trip/trip(1).jpg")));
  ASSERT_FALSE(file_system->flush());
  ASSERT_EQ(::rename(tree.path("trip").c_str(), tree.path("moved").c_str()), 0);
  ASSERT_EQ(::mkdir(tree.path("trip").c_str(), 0777), 0);
  EXPECT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("trip/trip(2).jpg")));
  EXPECT_FALSE(file_system->flush());
  EXPECT_EQ(::access(tree.path("trip/trip(2).jpg").c_str(), F_OK), 0);
  EXPECT_NE(::access(tree.path("moved/trip(2).jpg").c_str(), F_OK), 0);
}

// Copies staged in more folders than a run keeps open are still named in
// their own: a folder closed meanwhile is reached by its path, never by a
// descriptor number the system has since given to another folder.
TEST_F(PosixFileSystem, CopiesStagedInMoreFoldersThanAreKeptOpenLandInTheirOwn) {
  testing::TempTree tree({"photo.jpg"});
  constexpr int folders = 1100;  // more than the 1,024 kept open at most
  std::vector<CopyNaming> batch;
  for (int k = 0; k < folders; ++k) {
    const std::string name = "t" + std::to_string(k);
    tree.write("photo.jpg", name);
    ASSERT_FALSE(file_system->make_folder(tree.path(name + "/")));
    CopyStart start = file_system->start_copy(tree.path("photo.jpg"), tree.path(name + "/a.jpg"),
                                              LookAlike::is_the_copy);
    ASSERT_TRUE(start.staged) << start.error.message();
    batch.emplace_back().staged = std::move(start.staged);
  }
  file_system->flush_staged(batch);
  file_system->name_copies(batch);
  EXPECT_FALSE(file_system->flush());
  int misplaced = 0;
  for (int k = 0; k < folders; ++k) {
    const std::string name = "t" + std::to_string(k);
    if (batch[k].error || ::access(tree.path(name + "/a.jpg").c_str(), F_OK) != 0 ||
        tree.read(name + "/a.jpg") != name) {
      ++misplaced;
    }
  }
  EXPECT_EQ(misplaced, 0);
}

TEST_F(PosixFileSystem, CopiesIntoMadeAndFoundFoldersOnTwoVolumesAreNamedAndFlushed) {
  testing::TempTree tree({"photo.jpg", "found/"});
  tree.write("photo.jpg", "content");
  struct stat shm {};
  const bool other_volume = ::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) &&
                            shm.st_dev != info_of(tree.root()).st_dev &&
                            ::access("/dev/shm", W_OK) == 0;
  const std::string elsewhere = "/dev/shm/tolvane-test-" + std::to_string(::getpid()) + "/";
  std::vector<std::string> folders = {tree.path("made/"), tree.path("found/"),
                                      tree.path("made/deeper/")};
  if (other_volume) folders.push_back(elsewhere);
  for (const std::string& folder : folders) {
    if (folder.ends_with("found/")) continue;
    ASSERT_FALSE(file_system->make_folder(folder)) << folder;
  }
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    for (const char* name : {"a(1).jpg", "a(2).jpg"}) {
      const std::error_code error = file_system->copy_file(tree.path("photo.jpg"), folder + name);
      EXPECT_FALSE(error) << error.message();
    }
  }
  EXPECT_FALSE(file_system->flush());
  // The same folders again after the flush: no longer made by this run, so
  // what stands at a name is looked at, and the same copy left unchanged.
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    CopyOutcome outcome = CopyOutcome::copied;
    EXPECT_FALSE(file_system->copy_file(tree.path("photo.jpg"), folder + "a(1).jpg", outcome));
    EXPECT_EQ(outcome, CopyOutcome::unchanged);
  }
  std::vector<std::string> read;
  for (const std::string& folder : folders) {
    for (const char* name : {"a(1).jpg", "a(2).jpg"}) {
      std::string copied;
      if (const int fd = ::open((folder + name).c_str(), O_RDONLY); fd >= 0) {
        char buffer[64];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
          copied.append(buffer, got);
        ::close(fd);
      }
      read.push_back(copied);
      ::unlink((folder + name).c_str());
    }
  }
  if (other_volume) ::rmdir(elsewhere.c_str());
  EXPECT_EQ(read, std::vector<std::string>(folders.size() * 2, "content"));
  EXPECT_FALSE(file_system->flush());
}

// What a killed copy left is swept away; an empty file at a target is the
// user's all the same, even beside such leftovers, and goes to the trash.
// Taken over are an empty file dated as this program dates its
// reservations, and one that a copy killed before it could date it left
// beside its own whole copy of this very photo.
TEST_F(PosixFileSystem, AnEmptyFileBesideACutShortCopyIsTrashedAndTheLeftoverSwept) {
  testing::TempTree tree({"cut/", "kept/", "undated/"});
  tree.write("photo.jpg", "photo");
  // Another boot's temporary: stale whatever process now has its number.
  tree.write("cut/.tolvane-1-7-b00000000.tmp", "half a photo");
  tree.write("cut/p(1).jpg", "");
  tree.write("kept/p(1).jpg", "");
  const struct timespec reservation_time[2] = {{315532802, 0}, {315532802, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("kept/p(1).jpg").c_str(), reservation_time, 0), 0);
  tree.write("undated/.tolvane-1-8-b00000000.tmp", "photo");
  const struct stat photo = info_of(tree.path("photo.jpg"));
  const struct timespec photo_time[2] = {photo.st_atim, photo.st_mtim};
  ASSERT_EQ(
      ::utimensat(AT_FDCWD, tree.path("undated/.tolvane-1-8-b00000000.tmp").c_str(), photo_time, 0),
      0);
  tree.write("undated/p(1).jpg", "");
  CopyOutcome cut_outcome = CopyOutcome::unchanged;
  CopyOutcome kept_outcome = CopyOutcome::unchanged;
  CopyOutcome undated_outcome = CopyOutcome::unchanged;
  ASSERT_FALSE(
      file_system->copy_file(tree.path("photo.jpg"), tree.path("cut/p(1).jpg"), cut_outcome));
  ASSERT_FALSE(
      file_system->copy_file(tree.path("photo.jpg"), tree.path("kept/p(1).jpg"), kept_outcome));
  ASSERT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("undated/p(1).jpg"),
                                      undated_outcome));
  EXPECT_EQ(cut_outcome, CopyOutcome::replaced);
  EXPECT_EQ(kept_outcome, CopyOutcome::copied);
  EXPECT_EQ(undated_outcome, CopyOutcome::copied);
  EXPECT_EQ(tree.read("cut/p(1).jpg"), "photo");
  EXPECT_EQ(tree.read("kept/p(1).jpg"), "photo");
  EXPECT_EQ(tree.read("undated/p(1).jpg"), "photo");
  EXPECT_EQ(testing::hidden_files_below(tree.path("cut")), std::vector<std::string>{});
  EXPECT_EQ(testing::hidden_files_below(tree.path("undated")), std::vector<std::string>{});
}

// The window keeps one file system for its whole session.  Between two
// runs the user may replace a destination folder, and another copy of the
// program killed meanwhile may leave its half-written copy and the name it
// reserved: the second run must copy into the folder as it now is, and
// sweep it again.
TEST_F(PosixFileSystem, ASecondRunInTheSameSessionCopiesIntoTheFoldersAsTheyAreNow) {
  testing::TempTree tree({"trip/", "day/"});
  tree.write("photo.jpg", "photo");
  CopyOutcome outcome = CopyOutcome::unchanged;
  ASSERT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("trip/p(1).jpg"), outcome));
  ASSERT_FALSE(file_system->copy_file(tree.path("photo.jpg"), tree.path("day/p(1).jpg"), outcome));
  ASSERT_FALSE(file_system->flush());

  ASSERT_EQ(::rename(tree.path("trip").c_str(), tree.path("trip-before").c_str()), 0);
  ASSERT_EQ(::mkdir(tree.path("trip").c_str(), 0777), 0);
  tree.write("day/.tolvane-1-7-b00000000.tmp", "half a photo");
  tree.write("day/p(2).jpg", "");

  CopyOutcome trip_outcome = CopyOutcome::unchanged;
  CopyOutcome day_outcome = CopyOutcome::unchanged;
  EXPECT_FALSE(
      file_system->copy_file(tree.path("photo.jpg"), tree.path("trip/p(1).jpg"), trip_outcome));
  EXPECT_FALSE(
      file_system->copy_file(tree.path("photo.jpg"), tree.path("day/p(2).jpg"), day_outcome));
  EXPECT_FALSE(file_system->flush());

  EXPECT_EQ(trip_outcome, CopyOutcome::copied);
  EXPECT_EQ(tree.read("trip/p(1).jpg"), "photo");
  EXPECT_EQ(testing::files_below(tree.path("trip-before")),
            (testing::TreeFiles{{"p(1).jpg", "photo"}}));
  // The name the killed copy reserved is taken over, and what it left is
  // gone.
  EXPECT_EQ(day_outcome, CopyOutcome::replaced);
  EXPECT_EQ(tree.read("day/p(2).jpg"), "photo");
  EXPECT_EQ(testing::hidden_files_below(tree.path("day")), std::vector<std::string>{});
}

// Staged copies hold descriptors until their batch is named; a process
// allowed few must still stage a batch larger than that.
TEST_F(PosixFileSystem, ABatchLargerThanTheDescriptorsAllowedIsStagedAndNamed) {
  testing::TempTree tree({"out/"});
  constexpr int copies = 300;
  for (int k = 0; k < copies; ++k) tree.write("in/" + std::to_string(k), std::to_string(k));
  const auto stage_and_name = [&] {
    const struct rlimit few = {128, 128};
    if (::setrlimit(RLIMIT_NOFILE, &few) != 0) std::_Exit(3);
    const std::unique_ptr<FileSystem> limited = make_native_file_system();
    std::vector<CopyNaming> batch;
    for (int k = 0; k < copies; ++k) {
      const std::string name = std::to_string(k);
      CopyStart start = limited->start_copy(tree.path("in/" + name), tree.path("out/" + name),
                                            LookAlike::is_the_copy);
      if (start.error || !start.staged) std::_Exit(1);
      batch.emplace_back().staged = std::move(start.staged);
    }
    limited->flush_staged(batch);
    limited->name_copies(batch);
    for (const CopyNaming& naming : batch) {
      if (naming.error || naming.outcome != CopyOutcome::copied) std::_Exit(2);
    }
    std::_Exit(testing::read_file(tree.path("out/299")) == "299" ? 0 : 4);
  };
  EXPECT_EXIT(stage_and_name(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tolvane::fsys

// Linux 5.3 to 5.18 between file systems, and FUSE, NFS or CIFS within one
// mount, copy in the kernel only up to the size a file reads, so a file of
// size 0 gives 0 at the first call.  Newer kernels refuse a procfs file with
// EXDEV instead, which would hide that case: this program's copies go
// through the older way.
extern "C" ssize_t copy_file_range(int in, off64_t* in_offset, int out, off64_t* out_offset,
                                   size_t length, unsigned int flags) {
  struct stat info;
  if (::fstat(in, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0) return 0;
  return ::syscall(SYS_copy_file_range, in, in_offset, out, out_offset, length, flags);
}
