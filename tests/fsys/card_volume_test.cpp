// The native backend on real volumes.  A camera card's file system, exFAT
// through exfat-fuse, has no unnamed files, no hard links, no rename flags
// and folds letter case: each copy must still land, replace into the card's
// own trash, take over what a killed copy reserved, and never write over a
// file the card only takes for the target's name.  On a journaled disk, what
// a flush reports done must be what a power cut right after it leaves.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/replace_steps.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::fsys {
namespace {

namespace tt = tolvane::testing;

// Every name in `folder`, hidden ones included, "." and ".." left out.
std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  // Sorted: the order a folder lists in is the file system's own.
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// An empty file dated as a copy's reservation of its name is.
void leave_reservation(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0) << path;
  const struct timespec times[2] = {{315532802, 0}, {315532802, 0}};
  ASSERT_EQ(::futimens(fd, times), 0);
  ::close(fd);
}

void write_at(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class CardVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    if (card.unavailable()) GTEST_SKIP() << card.reason();
    ASSERT_TRUE(card.ready()) << card.reason();
  }
  void TearDown() override { set_replace_step_probe(nullptr); }

  tt::LoopVolume card{tt::VolumeKind::exfat, 32};
  tt::TempTree sources;
  std::unique_ptr<FileSystem> file_system = make_native_file_system();
};

TEST_F(CardVolume, CopiesLandReplaceIntoTheCardsTrashAndNeverOverASpellingOfAnother) {
  sources.write("a.jpg", "first photo");
  sources.write("b.jpg", "second photo, longer");
  const std::string a = sources.path("a.jpg");
  const std::string b = sources.path("b.jpg");
  EXPECT_TRUE(file_system->folds_letter_case(card.path() + "/"));
  EXPECT_FALSE(file_system->folds_letter_case(sources.root()));

  // A new name: every way of naming that ext4 offers is refused here.
  const std::string target = card.path("照片(1).jpg");
  CopyOutcome outcome = CopyOutcome::replaced;
  ASSERT_FALSE(file_system->copy_file(a, target, outcome));
  EXPECT_EQ(outcome, CopyOutcome::copied);
  EXPECT_EQ(tt::read_file(target), "first photo");

  // A different file there goes to the card's own trash, moved, not linked.
  ASSERT_FALSE(file_system->copy_file(b, target, outcome));
  EXPECT_EQ(outcome, CopyOutcome::replaced);
  EXPECT_EQ(tt::read_file(target), "second photo, longer");
  EXPECT_EQ(tt::read_file(card.path(".Trash-0/files/照片(1).jpg")), "first photo");
  EXPECT_NE(tt::read_file(card.path(".Trash-0/info/照片(1).jpg.trashinfo"))
                .find("Path=%E7%85%A7%E7%89%87%281%29.jpg\n"),
            std::string::npos);

  // What a killed copy reserved is taken over, not trashed.
  leave_reservation(card.path("r.jpg"));
  ASSERT_FALSE(file_system->copy_file(a, card.path("r.jpg"), outcome));
  EXPECT_EQ(outcome, CopyOutcome::copied);
  EXPECT_EQ(tt::read_file(card.path("r.jpg")), "first photo");

  // "trip(1).jpg" is "Trip(1).jpg" on this card: left alone, the name held.
  sources.write("Trip.jpg", "someone else's trip");
  ASSERT_FALSE(file_system->copy_file(sources.path("Trip.jpg"), card.path("Trip(1).jpg")));
  ASSERT_FALSE(file_system->copy_file(a, card.path("trip(1).jpg"), outcome));
  EXPECT_EQ(outcome, CopyOutcome::name_held_by_run);
  EXPECT_EQ(tt::read_file(card.path("Trip(1).jpg")), "someone else's trip");

  EXPECT_EQ(names_in(card.path(".Trash-0/files")), std::vector<std::string>{"照片(1).jpg"});
  for (const std::string& name : names_in(card.path())) {
    EXPECT_NE(name.rfind(".tolvane-", 0), 0u) << "left behind: " << name;
  }
}

// Without hard links the old file is moved into the trash, not linked; a
// copy that then cannot take the name must move it back, not forget it.
TEST_F(CardVolume, ARefusedNameAfterTheTrashPutsTheOldFileBack) {
  sources.write("new.jpg", "new content");
  const std::string target = card.path("old.jpg");
  {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "the only old copy", 17), 17);
    ::close(fd);
  }
  set_replace_step_probe([](ReplaceStep step) {
    return step == ReplaceStep::take_target_name ? std::make_error_code(std::errc::io_error)
                                                 : std::error_code();
  });
  EXPECT_TRUE(file_system->copy_file(sources.path("new.jpg"), target));
  EXPECT_EQ(tt::read_file(target), "the only old copy");
  EXPECT_TRUE(names_in(card.path(".Trash-0/files")).empty());
  EXPECT_TRUE(names_in(card.path(".Trash-0/info")).empty());
  EXPECT_EQ(names_in(card.path()), (std::vector<std::string>{".Trash-0", "old.jpg"}));
}

// A killed copy's temporary is swept whichever spelling of its folder the
// next run meets first ("Trip/" and "trip/" are one folder on this card).
// An empty file at a target is the user's unless dated as a reservation:
// even beside such a temporary it goes to the card's trash.
TEST_F(CardVolume, AStaleTemporaryIsSweptUnderEverySpellingAndAnEmptyFileTrashed) {
  sources.write("a.jpg", "first photo");
  ASSERT_TRUE(file_system->folds_letter_case(card.path() + "/"));
  ASSERT_EQ(::mkdir(card.path("Trip").c_str(), 0755), 0);
  // Another boot's temporary: stale whatever process now has its number.
  write_at(card.path("Trip/.tolvane-1-7-b00000000.tmp"), "half a photo");
  write_at(card.path("Trip/Trip(2).jpg"), "");
  CopyOutcome outcome = CopyOutcome::replaced;
  ASSERT_FALSE(
      file_system->copy_file(sources.path("a.jpg"), card.path("trip/trip(1).jpg"), outcome));
  EXPECT_EQ(outcome, CopyOutcome::copied);
  ASSERT_FALSE(
      file_system->copy_file(sources.path("a.jpg"), card.path("Trip/Trip(2).jpg"), outcome));
  EXPECT_EQ(outcome, CopyOutcome::replaced);
  EXPECT_EQ(tt::read_file(card.path("Trip/Trip(2).jpg")), "first photo");
  EXPECT_EQ(names_in(card.path("Trip")), (std::vector<std::string>{"Trip(2).jpg", "trip(1).jpg"}));
  EXPECT_EQ(names_in(card.path(".Trash-0/files")), std::vector<std::string>{"Trip(2).jpg"});
}

// Each flush puts on the disk the names given since the one before: with
// the journal's own commit an hour away, only the flushes commit them.
TEST(JournaledDisk, EveryFlushPutsTheNamesSinceTheLastOneOnTheDisk) {
  tt::LoopVolume disk(tt::VolumeKind::ext4, 32, "commit=3600");
  if (disk.unavailable()) GTEST_SKIP() << disk.reason();
  ASSERT_TRUE(disk.ready()) << disk.reason();
  tt::TempTree sources;
  sources.write("a.jpg", "first run");
  sources.write("b.jpg", "second run");
  const std::unique_ptr<FileSystem> file_system = make_native_file_system();
  ASSERT_FALSE(file_system->make_folder(disk.path("trip/")));
  // Two runs in one window: the second writes where the first did.
  for (const char* name : {"a.jpg", "b.jpg"}) {
    ASSERT_FALSE(file_system->copy_file(sources.path(name), disk.path("trip/") + name));
    ASSERT_FALSE(file_system->flush());
  }
  const std::string image = sources.path("cut.img");
  ASSERT_TRUE(disk.copy_image(image)) << disk.reason();
  tt::LoopVolume after_cut(tt::VolumeKind::ext4, tt::ImageFile{image});
  ASSERT_TRUE(after_cut.ready()) << after_cut.reason();
  EXPECT_EQ(tt::read_file(after_cut.path("trip/a.jpg")), "first run");
  EXPECT_EQ(tt::read_file(after_cut.path("trip/b.jpg")), "second run");
}

}  // namespace
}  // namespace tolvane::fsys
