// Loop-device volumes: the image, its file system, the loop device and the
// mount, each undone in reverse order by the destructor.
#include "tests/support/loop_volume.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace tolvane::testing {
namespace {

namespace fs = std::filesystem;

// Where each tool comes from on Debian, for the line a skipped test prints.
struct Tool {
  const char* name;
  const char* package;
};
constexpr Tool losetup{"losetup", "mount"};
constexpr Tool mount_tool{"mount", "mount"};
constexpr Tool mkfs_ext4{"mkfs.ext4", "e2fsprogs"};
constexpr Tool mkfs_exfat{"mkfs.exfat", "exfatprogs"};
constexpr Tool exfat_fuse{"mount.exfat-fuse", "exfat-fuse"};

// The tool's full path: the system folders count even when PATH (a
// developer's, or sudo's) leaves them out.
std::string find_tool(const char* name) {
  std::string folders = "/usr/sbin:/sbin:/usr/bin:/bin";
  if (const char* path = std::getenv("PATH")) folders = std::string(path) + ":" + folders;
  std::istringstream list(folders);
  for (std::string folder; std::getline(list, folder, ':');) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs a tool and returns its exit status (-1 when it could not start or
// died), its output in `output`.  The output goes to a file, not a pipe: a
// FUSE mounter leaves a daemon behind that would hold a pipe open.
int run_tool(const std::string& log, const std::vector<std::string>& arguments,
             std::string& output) {
  std::vector<char*> argv;
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int started = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) {
    output = arguments[0] + ": " + std::strerror(started);
    return -1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::ifstream in(log);
  output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  ::unlink(log.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string command_line(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += (text.empty() ? "" : " ") + argument;
  return text;
}

bool is_zero(const char* bytes, std::size_t size) {
  static const char zeros[65536] = {};
  return std::memcmp(bytes, zeros, size) == 0;
}

// Copies `from` to `to`, leaving holes where the image holds zeros: an
// image of a small file system is mostly zeros.
std::string sparse_copy(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return "open " + from + ": " + std::strerror(errno);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    ::close(in);
    return "open " + to + ": " + std::strerror(errno);
  }
  std::string error;
  std::vector<char> buffer(1 << 20);
  off_t offset = 0;
  for (;;) {
    const ssize_t got = ::pread(in, buffer.data(), buffer.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = "read " + from + ": " + std::strerror(errno);
    if (got <= 0) break;
    for (ssize_t piece = 0; piece < got && error.empty(); piece += 65536) {
      const std::size_t size = static_cast<std::size_t>(std::min<ssize_t>(65536, got - piece));
      if (is_zero(buffer.data() + piece, size)) continue;
      if (::pwrite(out, buffer.data() + piece, size, offset + piece) !=
          static_cast<ssize_t>(size)) {
        error = "write " + to + ": " + std::strerror(errno);
      }
    }
    offset += got;
  }
  if (error.empty() && ::ftruncate(out, offset) != 0) {
    error = "truncate " + to + ": " + std::strerror(errno);
  }
  ::close(in);
  if (::close(out) != 0 && error.empty()) error = "close " + to + ": " + std::strerror(errno);
  return error;
}

// Field 9 of a block device's stat file: requests in flight.
bool nothing_in_flight(const std::string& counters) {
  std::istringstream fields(counters);
  long long value = -1;
  for (int k = 0; k < 9 && (fields >> value); ++k) {
  }
  return value == 0;
}

}  // namespace

LoopVolume::LoopVolume(VolumeKind kind, std::size_t megabytes, const std::string& options) {
  if (!prerequisites(kind) || !make_folder()) return;
  image_ = folder_ + "/image";
  owns_image_ = true;
  const int fd = ::open(image_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(megabytes) << 20) != 0) {
    reason_ = "cannot make the image " + image_ + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return;
  }
  ::close(fd);
  // ext4 gets every inode table and its journal written now: left to
  // the lazy initialisation after mounting, those writes would keep the
  // device busy when a test waits for it to stand still.  Inodes for
  // many small files and their trash records.
  const std::vector<std::string> format =
      kind == VolumeKind::ext4 ? std::vector<std::string>{find_tool(mkfs_ext4.name),
                                                          "-q",
                                                          "-F",
                                                          "-b",
                                                          "4096",
                                                          "-N",
                                                          std::to_string(megabytes * 256),
                                                          "-m",
                                                          "0",
                                                          "-E",
                                                          "lazy_itable_init=0,lazy_journal_init=0",
                                                          image_}
                               : std::vector<std::string>{find_tool(mkfs_exfat.name), image_};
  std::string output;
  if (run_tool(folder_ + "/tool.log", format, output) != 0) {
    reason_ = command_line(format) + " failed: " + output;
    return;
  }
  attach_and_mount(kind, options);
}

LoopVolume::LoopVolume(VolumeKind kind, const ImageFile& image, const std::string& options) {
  if (!prerequisites(kind) || !make_folder()) return;
  image_ = image.path;
  if (!image.mount_point.empty()) {
    mount_point_ = image.mount_point;
  }
  attach_and_mount(kind, options);
}

LoopVolume::~LoopVolume() {
  unmount();
  if (owns_image_) ::unlink(image_.c_str());
  // Never a recursive removal: were the unmount to fail, it would reach
  // into the volume.
  if (!folder_.empty()) {
    ::rmdir((folder_ + "/volume").c_str());
    ::rmdir(folder_.c_str());
  }
}

bool LoopVolume::prerequisites(VolumeKind kind) {
  unavailable_ = true;
  if (::geteuid() != 0) {
    reason_ =
        "loop devices and mounts need root; this test runs as uid " + std::to_string(::geteuid());
    return false;
  }
  if (::access("/dev/loop-control", R_OK | W_OK) != 0) {
    reason_ = std::string("no loop devices here: /dev/loop-control: ") + std::strerror(errno);
    return false;
  }
  if (kind == VolumeKind::exfat && ::access("/dev/fuse", R_OK | W_OK) != 0) {
    reason_ =
        std::string("no FUSE here, so exfat-fuse cannot mount: /dev/fuse: ") + std::strerror(errno);
    return false;
  }
  std::vector<Tool> tools = {losetup, mount_tool};
  if (kind == VolumeKind::ext4) tools.push_back(mkfs_ext4);
  if (kind == VolumeKind::exfat) {
    tools.push_back(mkfs_exfat);
    tools.push_back(exfat_fuse);
  }
  for (const Tool& tool : tools) {
    if (find_tool(tool.name).empty()) {
      reason_ = std::string(tool.name) + " is not installed (Debian package " + tool.package + ")";
      return false;
    }
  }
  unavailable_ = false;
  return true;
}

bool LoopVolume::make_folder() {
  std::string pattern = (fs::temp_directory_path() / "tolvane-volume-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    reason_ = "mkdtemp " + pattern + ": " + std::strerror(errno);
    return false;
  }
  folder_ = pattern;
  mount_point_ = folder_ + "/volume";
  if (::mkdir(mount_point_.c_str(), 0755) != 0) {
    reason_ = "mkdir " + mount_point_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void LoopVolume::attach_and_mount(VolumeKind kind, const std::string& options) {
  const std::string log = folder_ + "/tool.log";
  std::string output;
  const std::vector<std::string> attach = {find_tool(losetup.name), "-f", "--show", image_};
  if (run_tool(log, attach, output) != 0 || !output.starts_with("/dev/loop")) {
    // A machine that refuses loop devices to this process (a container
    // without them, all taken) lacks what the test needs: it skips.
    unavailable_ = true;
    reason_ = "no loop device could be attached: " + command_line(attach) + ": " + output;
    return;
  }
  device_ = output;
  attached_ = true;
  std::vector<std::string> mount;
  if (kind == VolumeKind::ext4) {
    mount = {find_tool(mount_tool.name), "-t", "ext4"};
    if (!options.empty()) {
      mount.push_back("-o");
      mount.push_back(options);
    }
    mount.push_back(device_);
    mount.push_back(mount_point_);
  } else {
    // exfat-fuse refuses an image file ("Block device required"): hence
    // the loop device here too.
    mount = {find_tool(exfat_fuse.name), device_, mount_point_};
  }
  if (run_tool(log, mount, output) != 0) {
    unavailable_ = true;
    reason_ = "the volume could not be mounted: " + command_line(mount) + ": " + output;
    return;
  }
  mounted_ = true;
}

std::string LoopVolume::path(const std::string& relative) const {
  return relative.empty() ? mount_point_ : mount_point_ + "/" + relative;
}

std::string LoopVolume::device_counters() const {
  std::ifstream in("/sys/block/" + device_.substr(device_.rfind('/') + 1) + "/stat");
  std::string line;
  std::getline(in, line);
  return line;
}

bool LoopVolume::wait_until_idle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
  using clock = std::chrono::steady_clock;
  const auto give_up = clock::now() + limit;
  std::string seen = device_counters();
  auto still_since = clock::now();
  while (clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string now = device_counters();
    if (now.empty()) {
      reason_ = "cannot read the counters of " + device_;
      return false;
    }
    if (now != seen || !nothing_in_flight(now)) {
      seen = now;
      still_since = clock::now();
    } else if (clock::now() - still_since >= quiet) {
      return true;
    }
  }
  reason_ = device_ + " did not stand still for " + std::to_string(quiet.count()) + " ms within " +
            std::to_string(limit.count()) + " ms";
  return false;
}

bool LoopVolume::copy_image(const std::string& target) {
  // A request that lands while the bytes are read would give an image no
  // disk ever held: the copy counts only when the counters stood still
  // from before it began until after it ended.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!wait_until_idle(std::chrono::milliseconds(200), std::chrono::seconds(20))) return false;
    const std::string before = device_counters();
    if (const std::string error = sparse_copy(image_, target); !error.empty()) {
      reason_ = error;
      return false;
    }
    if (device_counters() == before) return true;
  }
  reason_ = "requests kept reaching " + device_ + " while its image was copied";
  return false;
}

bool LoopVolume::unmount() {
  bool clean = true;
  if (mounted_) {
    // A program just killed may hold the volume for a moment longer.
    int tries = 0;
    while (::umount2(mount_point_.c_str(), 0) != 0 && errno == EBUSY && ++tries < 50) {
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    if (tries == 50) {
      reason_ = "the volume at " + mount_point_ + " stayed busy; detached lazily";
      ::umount2(mount_point_.c_str(), MNT_DETACH);
      clean = false;
    }
    mounted_ = false;
  }
  if (attached_) {
    // While exfat-fuse's daemon still closes the device, the kernel only
    // marks it to be detached when the last user lets go: enough here.
    std::string output;
    run_tool(folder_ + "/tool.log", {find_tool(losetup.name), "-d", device_}, output);
    attached_ = false;
  }
  return clean;
}

}  // namespace tolvane::testing
