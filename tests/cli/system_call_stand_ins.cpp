// The stand-ins: this program's own definitions of the C library's system
// call wrappers, which the linker prefers to the library's.  Each decides
// by the behaviour set, then makes the real call through syscall().
#include "tests/cli/system_call_stand_ins.h"

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace tolvane::testing {
namespace {

struct Imitated {
  VolumeBehaviour behaviour;
  dev_t fuse_device = 0;
  dev_t failing_device = 0;
};

std::mutex settings_mutex;
// Each setting lives to the end of the program: a copy thread may still
// read the one before.
std::vector<std::unique_ptr<Imitated>> settings;
// Read by the stand-ins on any thread; replaced only between runs.
std::atomic<const Imitated*> imitated{nullptr};
std::atomic<std::size_t> single_flushes{0};

dev_t device_of(const std::string& folder) {
  struct stat info;
  return !folder.empty() && ::stat(folder.c_str(), &info) == 0 ? info.st_dev : 0;
}

dev_t device_of(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 ? info.st_dev : 0;
}

int refuse(int error) {
  errno = error;
  return -1;
}

const Imitated* now() { return imitated.load(std::memory_order_acquire); }

bool unnamed_refused(int flags) {
  const Imitated* volumes = now();
  return volumes != nullptr && !volumes->behaviour.unnamed_files &&
         (flags & O_TMPFILE) == O_TMPFILE;
}

// open() and openat(): a volume without unnamed files refuses O_TMPFILE.
int open_imitated(int folder, const char* path, int flags, va_list arguments) {
  const bool takes_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
  const mode_t mode = takes_mode ? va_arg(arguments, mode_t) : 0;
  if (unnamed_refused(flags)) return refuse(EOPNOTSUPP);
  return static_cast<int>(::syscall(SYS_openat, folder, path, flags, mode));
}

int link_refusal() {
  const Imitated* volumes = now();
  return volumes != nullptr ? volumes->behaviour.link_error : 0;
}

bool fails_flush(int fd) {
  const Imitated* volumes = now();
  return volumes != nullptr && volumes->failing_device != 0 &&
         device_of(fd) == volumes->failing_device;
}

// True when `fd` is open on a run journal.
bool is_journal(int fd) {
  char path[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
  return length > 0 && std::string_view(path, length).find("/tolvane/journals/") != std::string_view::npos;
}

}  // namespace

void behave_as(const VolumeBehaviour& behaviour) {
  const std::lock_guard lock(settings_mutex);
  settings.push_back(std::make_unique<Imitated>(Imitated{
      behaviour, device_of(behaviour.fuse_folder), device_of(behaviour.failing_flush_folder)}));
  imitated.store(settings.back().get(), std::memory_order_release);
}

std::size_t take_single_flushes() { return single_flushes.exchange(0); }

}  // namespace tolvane::testing

namespace tt = tolvane::testing;

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = tt::open_imitated(AT_FDCWD, path, flags, arguments);
  va_end(arguments);
  return fd;
}

int openat(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = tt::open_imitated(folder, path, flags, arguments);
  va_end(arguments);
  return fd;
}

int link(const char* from, const char* to) {
  if (const int error = tt::link_refusal()) return tt::refuse(error);
  return static_cast<int>(::syscall(SYS_linkat, AT_FDCWD, from, AT_FDCWD, to, 0));
}

int linkat(int from_folder, const char* from, int to_folder, const char* to, int flags) {
  if (const int error = tt::link_refusal()) return tt::refuse(error);
  return static_cast<int>(::syscall(SYS_linkat, from_folder, from, to_folder, to, flags));
}

int renameat2(int from_folder, const char* from, int to_folder, const char* to,
              unsigned int flags) {
  const tt::Imitated* volumes = tt::now();
  if (volumes != nullptr && !volumes->behaviour.no_replace_rename &&
      (flags & RENAME_NOREPLACE) != 0) {
    return tt::refuse(EINVAL);
  }
  return static_cast<int>(::syscall(SYS_renameat2, from_folder, from, to_folder, to, flags));
}

int rename(const char* from, const char* to) {
  const tt::Imitated* volumes = tt::now();
  if (volumes != nullptr && !volumes->behaviour.failing_rename_to.empty() &&
      std::string_view(to).ends_with(volumes->behaviour.failing_rename_to)) {
    return tt::refuse(EIO);
  }
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}

int syncfs(int fd) {
  if (tt::fails_flush(fd)) return tt::refuse(EIO);
  const tt::Imitated* volumes = tt::now();
  // FUSE passes no syncfs on to its server: the call ends at once.
  if (volumes != nullptr && volumes->fuse_device != 0 &&
      tt::device_of(fd) == volumes->fuse_device) {
    return 0;
  }
  return static_cast<int>(::syscall(SYS_syncfs, fd));
}

int fdatasync(int fd) {
  // The copies flushed on their own are counted; the run journal's own
  // flush, once per batch, is not a copy's.
  if (!tt::is_journal(fd)) tt::single_flushes.fetch_add(1);
  if (tt::fails_flush(fd)) return tt::refuse(EIO);
  return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

int statfs(const char* path, struct statfs* info) {
  const int status = static_cast<int>(::syscall(SYS_statfs, path, info));
  const tt::Imitated* volumes = tt::now();
  constexpr long fuse_magic = 0x65735546;
  if (status == 0 && volumes != nullptr && !volumes->behaviour.fuse_folder.empty() &&
      std::string_view(path).starts_with(volumes->behaviour.fuse_folder)) {
    info->f_type = fuse_magic;
  }
  return status;
}

}  // extern "C"
