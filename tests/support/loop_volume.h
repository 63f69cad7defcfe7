// Real file systems of a chosen kind for the tests that need one: an image
// file formatted as ext4 or exFAT, attached to a loop device and mounted for
// the life of the object (ext4 by the kernel, exFAT through exfat-fuse, as a
// camera's card is mounted on most desktops).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace tolvane::testing {

enum class VolumeKind { ext4, exfat };

// An image file that exists already, to be mounted as it stands; at
// `mount_point` (an empty folder that exists) when given, so that paths a
// program recorded on the volume before a cut name it again.
struct ImageFile {
  std::string path;
  std::string mount_point = {};
};

class LoopVolume {
 public:
  // A new image of `megabytes` in a private folder, formatted as `kind` and
  // mounted; `options` go to mount(8) as "-o" (ext4; exfat-fuse takes none).
  LoopVolume(VolumeKind kind, std::size_t megabytes, const std::string& options = "");
  // `image` mounted as it stands: an ext4 image replays its journal here, as
  // after a power cut.  The image file is the caller's and stays.
  LoopVolume(VolumeKind kind, const ImageFile& image, const std::string& options = "");
  // Unmounts, detaches the loop device and removes what this object made,
  // whether or not the test passed.
  ~LoopVolume();
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  // Mounted and usable.
  bool ready() const { return mounted_; }
  // Not mounted because this machine or user lacks something a volume needs
  // (root, loop devices, /dev/fuse, a tool); the test skips with reason().
  bool unavailable() const { return unavailable_; }
  // Why the volume is not ready, or what went wrong last.
  const std::string& reason() const { return reason_; }

  // The mount point followed by "/" and `relative` (the mount point itself
  // when `relative` is empty).
  std::string path(const std::string& relative = "") const;
  const std::string& image() const { return image_; }
  const std::string& device() const { return device_; }

  // Waits until the loop device has no request in flight and its counters
  // have not moved for `quiet`; false (with reason()) when that does not
  // happen within `limit`.
  bool wait_until_idle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);
  // Copies the image's bytes to `target` (sparse) while no request reaches
  // the device, which is what the disk holds if the power fails now; false
  // with reason() when the device never stood still long enough.
  bool copy_image(const std::string& target);

  // Unmounts and detaches now; false (with reason()) when the file system
  // could only be detached lazily because something still used it.
  bool unmount();

 private:
  bool prerequisites(VolumeKind kind);
  bool make_folder();
  void attach_and_mount(VolumeKind kind, const std::string& options);
  std::string device_counters() const;

  bool unavailable_ = false;
  bool mounted_ = false;
  bool attached_ = false;
  bool owns_image_ = false;
  std::string reason_;
  std::string folder_;  // private folder: the mount point, the made image
  std::string mount_point_;
  std::string image_;
  std::string device_;  // "/dev/loopN"
};

}  // namespace tolvane::testing
