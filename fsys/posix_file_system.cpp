// The file-system services on POSIX: folders listed with the raw directory
// calls, and copies that only ever appear whole under the target's name.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "fsys/file_system.h"
#include "fsys/name_order.h"
#include "fsys/posix_entry_kind.h"

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
    if (const auto kind = posix::listed_kind(dir_fd, entry->d_name, entry->d_type)) {
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

constexpr std::string_view temporary_prefix = ".tolvane-";
constexpr std::string_view temporary_suffix = ".tmp";

// A name for a temporary file in `folder`, hidden by its leading dot so that
// no scan lists it while it is being written.  It carries the writer's
// process id, so that a later run can tell a leftover of a killed copy.
std::string temporary_name(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  std::string path = folder;
  path += temporary_prefix;
  path += std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
          std::to_string(now.tv_nsec);
  path += temporary_suffix;
  return path;
}

Descriptor create_temporary(const std::string& folder, mode_t mode, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = temporary_name(folder);
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd || errno != EEXIST) return fd;
  }
  return Descriptor();
}

// Gives the unnamed file `fd` the name `path`; fails with EEXIST when that
// name is taken.  Linking by the descriptor itself needs a privilege that
// only some processes have; the first refusal sends every later link
// through /proc, which anyone may use.
std::error_code link_unnamed(int fd, const std::string& path) {
  static std::atomic<bool> by_descriptor{true};
  if (by_descriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return {};
    if (errno != ENOENT && errno != EPERM) return last_error();
    by_descriptor.store(false, std::memory_order_relaxed);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
  return last_error();
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Written whole as an unnamed file in the target's folder, then given its
// name in one step: the target's own name when it is free, otherwise a
// temporary name renamed over the old target.  Nothing when O_TMPFILE is
// not offered here or the link cannot be made, and the named temporary file
// must serve instead.
std::optional<std::error_code> copy_as_unnamed(int in, const struct stat& source,
                                               const std::string& target) {
  const std::string folder = folder_of(target);
  Descriptor out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, new_file_mode(source)));
  if (!out) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return std::nullopt;
    return last_error();
  }
  if (const std::error_code error = fill(in, out.get(), source)) return error;
  const std::error_code linked = link_unnamed(out.get(), target);
  if (!linked) return linked;
  if (linked != std::errc::file_exists) return std::nullopt;

  // The target exists: only now is it worth a look, for the one case that
  // must never happen, a file replaced by a copy of itself.
  struct stat existing;
  if (::stat(target.c_str(), &existing) == 0 && same_file(existing, source)) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = temporary_name(folder);
    const std::error_code error = link_unnamed(out.get(), temporary);
    if (error == std::errc::file_exists) continue;
    if (error) return std::nullopt;
    if (::rename(temporary.c_str(), target.c_str()) == 0) return std::error_code();
    const std::error_code rename_error = last_error();
    ::unlink(temporary.c_str());
    return rename_error;
  }
  return std::nullopt;
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

// The digits at the front of `text`, taken off it; nothing when there are
// none or too many for a process id.
std::optional<long> take_number(std::string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 9) return std::nullopt;
  long value = 0;
  for (std::size_t i = 0; i < digits; ++i) value = value * 10 + (text[i] - '0');
  text.remove_prefix(digits);
  return value;
}

// The writer's process id when `name` is exactly what create_temporary makes
// (".tolvane-<pid>-<n>-<ns>.tmp"), otherwise nothing.
std::optional<pid_t> temporary_writer(std::string_view name) {
  if (!name.starts_with(temporary_prefix) || !name.ends_with(temporary_suffix)) return std::nullopt;
  name.remove_prefix(temporary_prefix.size());
  name.remove_suffix(temporary_suffix.size());
  const std::optional<long> pid = take_number(name);
  for (int part = 0; part < 2; ++part) {
    if (!name.starts_with('-')) return std::nullopt;
    name.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
    if (digits == 0) return std::nullopt;
    name.remove_prefix(digits);
  }
  if (!pid || !name.empty() || *pid <= 0) return std::nullopt;
  return static_cast<pid_t>(*pid);
}

// Removes from `folder` the temporary files that a copy killed half-way left
// there: only names create_temporary makes, and only when no process of that
// id is alive.  Everything else, and any failure, is left alone.
void remove_stale_temporaries(const std::string& folder) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::optional<pid_t> writer = temporary_writer(entry->d_name);
    if (!writer || *writer == ::getpid()) continue;
    if (::kill(*writer, 0) == 0 || errno != ESRCH) continue;
    struct stat info;
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

std::error_code copy_one_file(const std::string& source, const std::string& target) {
  // O_NONBLOCK keeps a FIFO from hanging the open; regular files ignore it.
  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!in) return last_error();
  struct stat source_info;
  if (::fstat(in.get(), &source_info) != 0) return last_error();
  if (S_ISDIR(source_info.st_mode)) return std::make_error_code(std::errc::is_a_directory);
  if (!S_ISREG(source_info.st_mode)) return std::make_error_code(std::errc::invalid_argument);

  if (const auto outcome = copy_as_unnamed(in.get(), source_info, target)) return *outcome;
  // The named temporary file serves: look at the target first, since
  // replacing a file with a copy of itself would first have to empty it.
  struct stat target_info;
  if (::stat(target.c_str(), &target_info) == 0 && same_file(target_info, source_info)) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  return copy_by_rename(in.get(), source_info, target);
}

// A path with a zero byte in it would name a shorter, different path at the
// system call; no file of that name can exist.
bool holds_zero_byte(const std::string& path) { return path.find('\0') != std::string::npos; }

std::error_code invalid_path() { return std::make_error_code(std::errc::invalid_argument); }

class PosixFileSystem final : public FileSystem {
 public:
  FolderContents read_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return {{}, invalid_path()};
    return list_folder(folder);
  }

  std::error_code copy_file(const std::string& source, const std::string& target) override {
    if (holds_zero_byte(source) || holds_zero_byte(target)) return invalid_path();
    // The first write into a folder clears what killed copies left there.
    const std::string folder = folder_of(target);
    if (swept_folders_.insert(folder).second) remove_stale_temporaries(folder);
    return copy_one_file(source, target);
  }

  std::error_code make_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return invalid_path();
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return last_error();
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    struct stat info;
    return !holds_zero_byte(folder) && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

 private:
  std::unordered_set<std::string> swept_folders_;
};

}  // namespace

std::unique_ptr<FileSystem> make_native_file_system() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace tolvane::fsys
