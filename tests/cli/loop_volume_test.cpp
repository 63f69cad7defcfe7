// The loop volumes the card and power-cut tests stand on: each kind mounts,
// a copied image shows what had reached the device and nothing that had
// not, and nothing is left attached or mounted afterwards, however many
// tests make volumes one after another.
#include "tests/support/loop_volume.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/cli/volume_run.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::testing {
namespace {

bool is_mounted(const std::string& mount_point) {
  std::ifstream mounts("/proc/self/mounts");
  for (std::string device, point, rest; mounts >> device >> point && std::getline(mounts, rest);) {
    if (point == mount_point) return true;
  }
  return false;
}

// True once the loop device no longer has a backing file, within a moment:
// exfat-fuse's daemon lets go of it a little after the unmount.
bool detached(const std::string& device) {
  const std::string backing = "/sys/block/" + device.substr(device.rfind('/') + 1) + "/loop";
  for (int k = 0; k < 100; ++k) {
    if (::access(backing.c_str(), F_OK) != 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void write_durably(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ASSERT_EQ(::fsync(fd), 0);
  ::close(fd);
}

TEST(LoopVolume, EachKindMountsAndLeavesNothingBehind) {
  for (const VolumeKind kind : {VolumeKind::ext4, VolumeKind::exfat}) {
    std::string device;
    std::string mount_point;
    {
      LoopVolume volume(kind, 32);
      TOLVANE_NEED_VOLUME(volume);
      device = volume.device();
      mount_point = volume.path();
      EXPECT_TRUE(is_mounted(mount_point));
      write_durably(volume.path("Trip.jpg"), "photo");
      // exFAT folds case; ext4 does not.
      EXPECT_EQ(read_file(volume.path("TRIP.jpg")), kind == VolumeKind::exfat ? "photo" : "");
    }
    EXPECT_FALSE(is_mounted(mount_point));
    EXPECT_TRUE(detached(device)) << device;
  }
}

TEST(LoopVolume, ImageCopyHoldsWhatReachedTheDeviceOnly) {
  TempTree work;
  LoopVolume disk(VolumeKind::ext4, 32, "commit=1");
  TOLVANE_NEED_VOLUME(disk);
  write_durably(disk.path("synced.jpg"), random_bytes(20'000, 1));
  // Written but never flushed: delayed allocation keeps it in memory, and
  // the commit that follows records no data for it.
  std::ofstream(disk.path("cached.jpg"), std::ios::binary) << random_bytes(20'000, 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  ASSERT_TRUE(disk.copy_image(work.path("cut.img"))) << disk.reason();
  LoopVolume cut(VolumeKind::ext4, ImageFile{work.path("cut.img")});
  ASSERT_TRUE(cut.ready()) << cut.reason();
  EXPECT_TRUE(read_file(cut.path("synced.jpg")) == random_bytes(20'000, 1));
  // What a power cut takes: the name may stand, the bytes are not there.
  EXPECT_EQ(read_file(cut.path("cached.jpg")).size(), 0u);
}

}  // namespace
}  // namespace tolvane::testing
