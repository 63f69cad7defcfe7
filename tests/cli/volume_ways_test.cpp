// The command onto volumes that name, link and flush otherwise than a local
// disk does, imitated by the stand-ins: every copy still lands whole under
// its name, nothing hidden stays behind, no name shows data that is not on
// the device, and a flush that fails is a failure the user is told of.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line_run.h"
#include "fsys/file_system.h"
#include "tests/cli/run_cli.h"
#include "tests/cli/system_call_stand_ins.h"
#include "tests/support/page_cache.h"
#include "tests/support/private_trash.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;

// Back to the kernel's own ways after each test.
class VolumeWays : public ::testing::Test {
 protected:
  void TearDown() override { tt::behave_as({}); }

  // `count` photos in src/trip, each of `size` bytes or so; dst made empty.
  void make_photos(std::size_t count, std::size_t size = 4096) {
    tree.add("dst/");
    for (std::size_t k = 1; k <= count; ++k) tree.write(source(k), tt::random_bytes(size + k, k));
  }
  // src/trip/001.jpg and so on: listed in that order.
  static std::string source(std::size_t k) {
    char name[32];
    std::snprintf(name, sizeof name, "src/trip/%03zu.jpg", k);
    return name;
  }
  // dst/trip/trip(k).jpg -> the bytes of src/trip/k.jpg, for every photo.
  tt::TreeFiles gathered(std::size_t count) const {
    tt::TreeFiles copies;
    for (std::size_t k = 1; k <= count; ++k) {
      copies["trip/trip(" + std::to_string(k) + ").jpg"] = tree.read(source(k));
    }
    return copies;
  }
  testing::CliResult gather() const {
    return testing::run_cli({tree.path("src"), tree.path("dst")});
  }
  static std::size_t in_trash() { return tt::files_below(tt::home_trash() + "files").size(); }

  tt::TempTree tree;
};

// An NFS share: hard links, but no RENAME_NOREPLACE and no unnamed files.
// Each copy is written under a hidden name, linked to its target, and its
// hidden name removed; a different file at a target goes to the trash.
TEST_F(VolumeWays, NfsShareLinksEachCopyAndLeavesNoSecondName) {
  tt::VolumeBehaviour nfs;
  nfs.unnamed_files = false;
  nfs.no_replace_rename = false;
  tt::behave_as(nfs);
  make_photos(6);
  tree.write("dst/trip/trip(2).jpg", "an older photo at that name");
  const std::size_t trashed = in_trash();

  const testing::CliResult first = gather();
  EXPECT_EQ(first.status, exit_all_copied) << first.out << first.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(6)), "");
  EXPECT_EQ(tt::hidden_files_below(tree.path("dst")), std::vector<std::string>{});
  EXPECT_EQ(in_trash(), trashed + 1);

  // Run again: every copy is found unchanged, nothing more is trashed.
  const testing::CliResult again = gather();
  EXPECT_EQ(again.status, exit_all_copied) << again.out;
  EXPECT_NE(again.out.find("其中6条与原有文件相同"), std::string::npos) << again.out;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(6)), "");
  EXPECT_EQ(in_trash(), trashed + 1);
}

// An SMB or sshfs share whose link() is not offered: each target's name is
// reserved by an exclusive create and the copy renamed over it.  A rename
// that fails leaves no reservation behind to be taken for the user's file.
class ShareWithoutLinks : public VolumeWays, public ::testing::WithParamInterface<int> {};

TEST_P(ShareWithoutLinks, ReservesEachNameAndLeavesNoneWhenARenameFails) {
  tt::VolumeBehaviour share;
  share.unnamed_files = false;
  share.no_replace_rename = false;
  share.link_error = GetParam();
  share.failing_rename_to = "/trip(3).jpg";
  tt::behave_as(share);
  make_photos(6);
  const std::size_t trashed = in_trash();

  const testing::CliResult first = gather();
  EXPECT_EQ(first.status, exit_entries_failed) << first.out << first.err;
  tt::TreeFiles without_third = gathered(6);
  without_third.erase("trip/trip(3).jpg");
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), without_third), "");

  share.failing_rename_to.clear();
  tt::behave_as(share);
  const testing::CliResult second = gather();
  EXPECT_EQ(second.status, exit_all_copied) << second.out << second.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(6)), "");
  // Nothing of the user's stood at trip(3).jpg: nothing went to the trash.
  EXPECT_EQ(in_trash(), trashed);
}

INSTANTIATE_TEST_SUITE_P(LinkRefusals, ShareWithoutLinks,
                         ::testing::Values(ENOSYS, EOPNOTSUPP, EPERM),
                         [](const ::testing::TestParamInfo<int>& row) {
                           return row.param == ENOSYS       ? std::string("ENOSYS")
                                  : row.param == EOPNOTSUPP ? std::string("EOPNOTSUPP")
                                                            : std::string("EPERM");
                         });

// The device refuses to flush: the copies whose data it never took are not
// named, each is reported with its reason, and the run is no success.
TEST_F(VolumeWays, ABatchWhoseFlushFailsNamesNothingAndSaysSo) {
  make_photos(12);
  tt::VolumeBehaviour failing;
  failing.failing_flush_folder = tree.path("dst");
  tt::behave_as(failing);
  const testing::CliResult run = gather();
  EXPECT_EQ(run.status, exit_entries_failed);
  EXPECT_NE(run.out.find("其中12条失败"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("trip(1).jpg：无法拷贝，读写出错"), std::string::npos) << run.out;
  // No target name, and nothing hidden either.
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), {}), "");
}

// A FUSE volume (exFAT on a camera's card, mostly) takes a syncfs without
// passing it on to its server: each copy there is flushed by itself before
// its name, so that the run's "done" is true of the card.
TEST_F(VolumeWays, OnAFuseVolumeEachCopyIsOnTheDeviceBeforeTheRunEnds) {
  make_photos(12, 64 * 1024);
  tt::VolumeBehaviour fuse;
  fuse.fuse_folder = tree.path("dst");
  tt::behave_as(fuse);
  const testing::CliResult run = gather();
  ASSERT_EQ(run.status, exit_all_copied) << run.out << run.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(12)), "");
  for (std::size_t k = 1; k <= 12; ++k) {
    const std::string copy = tree.path("dst/trip/trip(" + std::to_string(k) + ").jpg");
    const std::optional<std::uint64_t> left = tt::pages_not_on_device(copy);
    if (!left) GTEST_SKIP() << "this kernel does not tell which pages are written (cachestat)";
    EXPECT_EQ(*left, 0u) << copy;
  }
}

// The copies staged unnamed hold a descriptor each, of which a process has
// few: batches stay within them, and a window that keeps one file system for
// all its runs gets them back after each run.  Past them every copy would
// be flushed on its own, a journal commit each.
TEST_F(VolumeWays, CopiesPastTheDescriptorAllowanceStillWaitForTheirBatch) {
  constexpr std::size_t photos = 300;
  make_photos(photos, 1024);
  const auto two_runs = [&] {
    // 300 descriptors leave the staged copies 44, batches of about ten.
    const struct rlimit few = {300, 300};
    if (::setrlimit(RLIMIT_NOFILE, &few) != 0) std::_Exit(3);
    const std::unique_ptr<fsys::FileSystem> session = fsys::make_native_file_system();
    tt::take_single_flushes();
    for (const char* dst : {"dst", "dst2"}) {
      const testing::CliResult run =
          testing::run_cli({tree.path("src"), tree.path(dst)}, false, session.get());
      if (run.status != exit_all_copied) std::_Exit(4);
    }
    const std::size_t single = tt::take_single_flushes();
    std::cerr << "copies flushed on their own: " << single << " of " << 2 * photos << "\n";
    // A few small batches (the last, a lull) flush their copies one by one.
    std::_Exit(single < photos / 5 ? 0 : 5);
  };
  tree.add("dst2/");
  EXPECT_EXIT(two_runs(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(photos)), "");
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst2")), gathered(photos)), "");
}

// A camera with an unset clock dates its photos 1980-01-01, as this program
// dates the empty file that reserves a name for an instant.  Only an empty
// file so dated is taken for one; a photo of that date goes to the trash.
TEST_F(VolumeWays, APhotoDatedLikeAReservationIsTrashedNotOverwritten) {
  make_photos(2);
  const std::string camera = "a photo from a camera whose clock was never set";
  tree.write("dst/trip/trip(1).jpg", camera);
  const struct timespec reservation_time[2] = {{315532802, 0}, {315532802, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("dst/trip/trip(1).jpg").c_str(), reservation_time, 0),
            0);
  const testing::CliResult run = gather();
  EXPECT_EQ(run.status, exit_all_copied) << run.out;
  EXPECT_EQ(tt::tree_difference(tt::files_below(tree.path("dst")), gathered(2)), "");
  bool kept = false;
  for (const auto& [name, bytes] : tt::files_below(tt::home_trash() + "files")) {
    kept = kept || bytes == camera;
  }
  EXPECT_TRUE(kept) << "the camera's photo is neither at its name nor in the trash";
}

}  // namespace
}  // namespace tolvane::cli
