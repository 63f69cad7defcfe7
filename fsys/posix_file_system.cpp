// The file-system services on POSIX: folders listed with the raw directory
// calls, and copies that only ever appear whole under the target's name.
#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "fsys/file_system.h"
#include "fsys/name_order.h"

namespace tolvane::fsys {
namespace {

std::error_code last_error() { return {errno, std::generic_category()}; }

// Owns one open descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { close(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  // Closes now and reports close's own failure (which a late write error on
  // some file systems shows up as).
  int close() { return fd_ >= 0 ? ::close(std::exchange(fd_, -1)) : 0; }

 private:
  int fd_;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// ---- Listing ---------------------------------------------------------------

// What a link found in a folder lists as: only a link to a regular file is
// listed (as a file).  A link to a folder could close a loop; a dangling link
// has nothing to read.
std::optional<EntryKind> kind_behind_link(int dir_fd, const char* name) {
  struct stat info;
  if (::fstatat(dir_fd, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return EntryKind::file;
}

// The kind of one entry, or nothing for what is never listed (devices, FIFOs,
// sockets, links to anything but a file).  The d_type of the entry answers
// without a stat on most file systems.
std::optional<EntryKind> kind_of(int dir_fd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return EntryKind::file;
    case DT_DIR:
      return EntryKind::folder;
    case DT_LNK:
      return kind_behind_link(dir_fd, entry.d_name);
    case DT_UNKNOWN:
      break;
    default:
      return std::nullopt;
  }
  struct stat info;
  if (::fstatat(dir_fd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  if (S_ISLNK(info.st_mode)) return kind_behind_link(dir_fd, entry.d_name);
  if (S_ISREG(info.st_mode)) return EntryKind::file;
  if (S_ISDIR(info.st_mode)) return EntryKind::folder;
  return std::nullopt;
}

FolderContents list_folder(const std::string& folder) {
  FolderContents contents;
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) {
    contents.error = last_error();
    return contents;
  }
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd.get()));
  if (!dir) {
    contents.error = last_error();
    return contents;
  }
  fd.release();  // the DIR owns it now
  const int dir_fd = ::dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) {
        contents.error = last_error();
        contents.entries.clear();
        return contents;
      }
      break;
    }
    // Hidden names, "." and ".." among them, are never listed.
    if (entry->d_name[0] == '.') continue;
    if (const auto kind = kind_of(dir_fd, *entry)) {
      contents.entries.push_back({entry->d_name, *kind});
    }
  }
  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return name_before(a.name, b.name); });
  return contents;
}

// ---- Copying ---------------------------------------------------------------

enum class Step { done, unsupported, failed };

constexpr std::size_t copy_chunk = std::size_t{1} << 30;

bool not_offered(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == ENOTSUP;
}

// In-kernel copy, which lets file systems that can share extents do so.
Step copy_in_kernel(int in, int out, std::error_code& error) {
  for (bool first = true;; first = false) {
    const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, copy_chunk, 0);
    if (copied > 0) continue;
    // Nothing on the first call may also mean a file that does not know its
    // size (as under /proc): the read loop decides.
    if (copied == 0) return first ? Step::unsupported : Step::done;
    if (errno == EINTR) continue;
    if (not_offered(errno)) return Step::unsupported;
    error = last_error();
    return Step::failed;
  }
}

Step copy_by_sendfile(int in, int out, std::error_code& error) {
  for (;;) {
    const ssize_t copied = ::sendfile(out, in, nullptr, copy_chunk);
    if (copied > 0) continue;
    if (copied == 0) return Step::done;
    if (errno == EINTR) continue;
    if (not_offered(errno)) return Step::unsupported;
    error = last_error();
    return Step::failed;
  }
}

std::error_code copy_by_reading(int in, int out) {
  constexpr std::size_t buffer_size = 128 * 1024;
  const auto buffer = std::make_unique<char[]>(buffer_size);
  for (;;) {
    const ssize_t got = ::read(in, buffer.get(), buffer_size);
    if (got == 0) return {};
    if (got < 0) {
      if (errno == EINTR) continue;
      return last_error();
    }
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = ::write(out, buffer.get() + put, static_cast<std::size_t>(got - put));
      if (wrote < 0) {
        if (errno == EINTR) continue;
        return last_error();
      }
      put += wrote;
    }
  }
}

// Copies every byte of `in` from its start into `out` at out's position.  Each
// way carries on from the offsets the previous one left, so a fallback in
// the middle loses nothing.
std::error_code copy_data(int in, int out) {
  if (::lseek(in, 0, SEEK_SET) < 0) return last_error();
  std::error_code error;
  Step step = copy_in_kernel(in, out, error);
  if (step == Step::unsupported) step = copy_by_sendfile(in, out, error);
  if (step == Step::unsupported) return copy_by_reading(in, out);
  return error;
}

// The data and the source's times, into a file that nobody sees yet.
std::error_code fill(int in, int out, const struct stat& source) {
  if (const std::error_code error = copy_data(in, out)) return error;
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (::futimens(out, times) != 0) return last_error();
  return {};
}

std::string folder_of(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  return path.substr(0, cut + 1);
}

mode_t new_file_mode(const struct stat& source) { return source.st_mode & 0777; }

// Links an unnamed file into place.  False when that cannot be done (the
// target appeared meanwhile, /proc is missing, ...).
bool link_into_place(int fd, const std::string& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  if (errno == EEXIST) return false;
  return ::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0;
}

// A new target: written as an unnamed file in the target's folder, then given
// its name in one step.  Nothing when the named temporary file must serve
// instead (no O_TMPFILE here, or the link failed).
std::optional<std::error_code> copy_as_unnamed(int in, const struct stat& source,
                                               const std::string& target) {
  Descriptor out(
      ::open(folder_of(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, new_file_mode(source)));
  if (!out) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return std::nullopt;
    return last_error();
  }
  if (const std::error_code error = fill(in, out.get(), source)) return error;
  if (link_into_place(out.get(), target)) return std::error_code();
  return std::nullopt;
}

// A temporary file in `folder`, hidden by its leading dot so that no scan
// lists it while it is being written.
Descriptor create_temporary(const std::string& folder, mode_t mode, std::string& path) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    path = folder + ".tolvane-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(now.tv_nsec) + ".tmp";
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd || errno != EEXIST) return fd;
  }
  return Descriptor();
}

// Written whole under a temporary name, then renamed over the target; on any
// failure the temporary file goes and the old target stays as it was.
std::error_code copy_by_rename(int in, const struct stat& source, const std::string& target) {
  std::string temporary;
  Descriptor out = create_temporary(folder_of(target), new_file_mode(source), temporary);
  if (!out) return last_error();
  std::error_code error = fill(in, out.get(), source);
  if (!error && out.close() != 0) error = last_error();
  if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = last_error();
  if (error) ::unlink(temporary.c_str());
  return error;
}

std::error_code copy_one_file(const std::string& source, const std::string& target) {
  // O_NONBLOCK keeps a FIFO from hanging the open; regular files ignore it.
  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!in) return last_error();
  struct stat source_info;
  if (::fstat(in.get(), &source_info) != 0) return last_error();
  if (S_ISDIR(source_info.st_mode)) return std::make_error_code(std::errc::is_a_directory);
  if (!S_ISREG(source_info.st_mode)) return std::make_error_code(std::errc::invalid_argument);

  struct stat target_info;
  const bool target_exists = ::stat(target.c_str(), &target_info) == 0;
  // Replacing a file with a copy of itself would first have to empty it.
  if (target_exists && target_info.st_dev == source_info.st_dev &&
      target_info.st_ino == source_info.st_ino) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  if (!target_exists) {
    if (const auto outcome = copy_as_unnamed(in.get(), source_info, target)) return *outcome;
  }
  return copy_by_rename(in.get(), source_info, target);
}

class PosixFileSystem final : public FileSystem {
 public:
  FolderContents read_folder(const std::string& folder) override { return list_folder(folder); }

  std::error_code copy_file(const std::string& source, const std::string& target) override {
    return copy_one_file(source, target);
  }

  std::error_code make_folder(const std::string& folder) override {
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return last_error();
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    struct stat info;
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
};

}  // namespace

std::unique_ptr<FileSystem> make_native_file_system() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace tolvane::fsys
