// The file-system services on POSIX: folders listed with the raw directory
// calls, and copies that only ever appear whole under the target's name.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
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
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "fsys/file_system.h"
#include "fsys/name_order.h"
#include "fsys/posix_entry_kind.h"
#include "fsys/posix_trash.h"
#include "fsys/quick_check.h"
#include "fsys/replace_steps.h"
#include "fsys/trash_error.h"

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

long long nanoseconds(const struct timespec& time) {
  return static_cast<long long>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// True when `kept` is the time `source` becomes on the target's file
// system: the same, or cut to the hundredths (exFAT), seconds or two seconds
// (FAT) that a coarser file system keeps, rounded down or up.
bool same_modification_time(const struct timespec& kept, const struct timespec& source) {
  const long long target_time = nanoseconds(kept);
  const long long source_time = nanoseconds(source);
  if (target_time == source_time) return true;
  for (const long long step : {10'000'000LL, 1'000'000'000LL, 2'000'000'000LL}) {
    const long long down = source_time - ((source_time % step) + step) % step;
    if (target_time == down || target_time == down + step) return true;
  }
  return false;
}

// Rsync's quick check: the file at the target is taken for the source's
// copy when it has the source's size and modification time.
bool looks_unchanged(const struct stat& existing, const struct stat& source) {
  return S_ISREG(existing.st_mode) && existing.st_size == source.st_size &&
         same_modification_time(existing.st_mtim, source.st_mtim);
}

struct Copied {
  std::error_code error;
  CopyOutcome outcome = CopyOutcome::copied;
};

Copied failed(std::error_code error) { return {error, CopyOutcome::copied}; }

// Puts the copy, on the device, under a hidden temporary name in `folder`:
// the unnamed file `filled` when the copy was written already, otherwise a
// new one.  Sets `staged` to that name.
std::error_code stage_durably(int in, const struct stat& source, const std::string& folder,
                              Descriptor filled, std::string& staged) {
  const bool written = static_cast<bool>(filled);
  Descriptor out = written ? std::move(filled)
                           : Descriptor(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                                               new_file_mode(source)));
  if (out && !written) {
    if (const std::error_code error = fill(in, out.get(), source)) return error;
  }
  if (out) {
    if (::fdatasync(out.get()) != 0) return last_error();
    for (int attempt = 0; attempt < 100; ++attempt) {
      staged = temporary_name(folder);
      const std::error_code error = link_unnamed(out.get(), staged);
      if (!error) return {};
      if (error != std::errc::file_exists) break;  // the named file serves
    }
  }
  Descriptor named = create_temporary(folder, new_file_mode(source), staged);
  if (!named) return last_error();
  std::error_code error = fill(in, named.get(), source);
  if (!error && ::fdatasync(named.get()) != 0) error = last_error();
  if (!error && named.close() != 0) error = last_error();
  if (error) ::unlink(staged.c_str());
  return error;
}

// Replaces the file `existing` found at `target`, unless it is the source's
// copy already: the copy goes on the device under a hidden name, the old
// file gets a second name in the trash, then the copy is renamed over the
// target.  At every instant the old content has a name, and the target
// name holds the old file or the new one, whole.  A file system without
// hard links moves the old file into the trash instead, and the target's
// name is missing for the instant between the two renames.
Copied replace_existing(int in, const struct stat& source, const std::string& target,
                        const struct stat& existing, Descriptor filled) {
  if (S_ISDIR(existing.st_mode)) return failed(std::make_error_code(std::errc::is_a_directory));
  struct stat behind;
  const bool followed = ::stat(target.c_str(), &behind) == 0;
  // A file replaced by a copy of itself would be lost.
  if (followed && same_file(behind, source)) {
    return failed(std::make_error_code(std::errc::invalid_argument));
  }
  if (looks_unchanged(existing, source)) return {{}, CopyOutcome::unchanged};

  const std::string folder = folder_of(target);
  std::string staged;
  std::error_code error = probe_replace_step(ReplaceStep::write_new_content);
  if (!error) error = stage_durably(in, source, folder, std::move(filled), staged);
  if (error) return failed(error);

  posix::TrashWay way = posix::TrashWay::link;
  posix::TrashEntry entry;
  error = posix::put_in_trash(target, way, entry);
  if (error == std::errc::operation_not_permitted || error == std::errc::too_many_links ||
      error == std::errc::operation_not_supported) {
    way = posix::TrashWay::move;
    error = posix::put_in_trash(target, way, entry);
  }
  if (!error) error = probe_replace_step(ReplaceStep::take_target_name);
  if (!error && ::rename(staged.c_str(), target.c_str()) != 0) error = last_error();
  if (!error) return {{}, CopyOutcome::replaced};
  ::unlink(staged.c_str());
  if (error.category() != trash_category()) posix::take_out_of_trash(target, way, entry);
  return failed(error);
}

// What is at `target` now, for the replacement; an error when nothing is.
std::error_code look_at(const std::string& target, struct stat& existing) {
  return ::lstat(target.c_str(), &existing) == 0 ? std::error_code() : last_error();
}

// Written whole under a named temporary file where unnamed files are not
// offered, then linked to the target's name, which never replaces; renamed
// where the file system has no links.
Copied copy_by_name(int in, const struct stat& source, const std::string& target) {
  std::string temporary;
  Descriptor out = create_temporary(folder_of(target), new_file_mode(source), temporary);
  if (!out) return failed(last_error());
  std::error_code error = fill(in, out.get(), source);
  if (!error && out.close() != 0) error = last_error();
  if (!error && ::link(temporary.c_str(), target.c_str()) != 0) {
    error = last_error();
    if (error == std::errc::operation_not_permitted || error == std::errc::too_many_links) {
      error.clear();
      if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) !=
          0) {
        error = last_error();
      }
    }
  }
  ::unlink(temporary.c_str());
  if (error != std::errc::file_exists) return failed(error);
  struct stat existing;
  if (const std::error_code gone = look_at(target, existing)) return failed(gone);
  return replace_existing(in, source, target, existing, Descriptor());
}

// Written whole as an unnamed file in the target's folder, then linked to
// the target's name, which never replaces; a name already taken goes the
// way of replace_existing.  Nothing when O_TMPFILE is not offered here or
// the link cannot be made, and the named temporary file must serve instead.
std::optional<Copied> copy_as_unnamed(int in, const struct stat& source,
                                      const std::string& target) {
  const std::string folder = folder_of(target);
  Descriptor out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, new_file_mode(source)));
  if (!out) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return std::nullopt;
    return failed(last_error());
  }
  if (const std::error_code error = fill(in, out.get(), source)) return failed(error);
  const std::error_code linked = link_unnamed(out.get(), target);
  if (!linked) return Copied{};
  if (linked != std::errc::file_exists) return std::nullopt;
  struct stat existing;
  if (const std::error_code gone = look_at(target, existing)) return failed(gone);
  return replace_existing(in, source, target, existing, std::move(out));
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

// `may_exist` says whether the target's folder can hold files this run did
// not write; when it cannot, no look at the target precedes the copy, and a
// name found taken after all is handled as it is met.
Copied copy_one_file(const std::string& source, const std::string& target, bool may_exist) {
  // The target is looked at once.  A re-run finds most targets to be the
  // source's copy already, and one more look at the source tells that
  // without opening it: opening every source would cost a re-run more than
  // the copying it saves.  Anything else takes the full way below.
  struct stat existing;
  const bool target_there = may_exist && !look_at(target, existing);
  if (target_there) {
    struct stat source_seen;
    if (::stat(source.c_str(), &source_seen) == 0 && S_ISREG(source_seen.st_mode) &&
        !same_file(existing, source_seen) && looks_unchanged(existing, source_seen)) {
      return {{}, CopyOutcome::unchanged};
    }
  }
  // O_NONBLOCK keeps a FIFO from hanging the open; regular files ignore it.
  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!in) return failed(last_error());
  struct stat source_info;
  if (::fstat(in.get(), &source_info) != 0) return failed(last_error());
  if (S_ISDIR(source_info.st_mode)) return failed(std::make_error_code(std::errc::is_a_directory));
  if (!S_ISREG(source_info.st_mode)) {
    return failed(std::make_error_code(std::errc::invalid_argument));
  }

  if (target_there) return replace_existing(in.get(), source_info, target, existing, Descriptor());
  if (auto copied = copy_as_unnamed(in.get(), source_info, target)) return *copied;
  return copy_by_name(in.get(), source_info, target);
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
  // A listing shares nothing with other calls.
  bool reads_folders_from_any_thread() const override { return true; }

  std::error_code copy_file(const std::string& source, const std::string& target,
                            CopyOutcome& outcome) override {
    outcome = CopyOutcome::copied;
    if (holds_zero_byte(source) || holds_zero_byte(target)) return invalid_path();
    // The first write into a folder clears what killed copies left there.
    const std::string folder = folder_of(target);
    bool first_write = false;
    bool may_exist = true;
    {
      const std::lock_guard lock(mutex_);
      first_write = swept_folders_.insert(folder).second;
      may_exist = !made_folders_.contains(folder);
    }
    // Another thread may copy into the folder meanwhile: its temporaries
    // carry this process's id, which the sweep never removes.
    if (first_write) remove_stale_temporaries(folder);
    const Copied copied = copy_one_file(source, target, may_exist);
    outcome = copied.outcome;
    if (!copied.error && copied.outcome != CopyOutcome::unchanged) note_written(folder);
    return copied.error;
  }

  std::error_code move_to_trash(const std::string& path) override {
    if (holds_zero_byte(path)) return trash_error(EINVAL);
    posix::TrashEntry entry;
    return posix::put_in_trash(path, posix::TrashWay::move, entry);
  }

  // One syncfs per file system written to: a single journal commit for
  // the whole run, where an fdatasync per copy would wait for one each.
  std::error_code flush() override {
    const std::lock_guard lock(mutex_);
    std::error_code first_error;
    for (auto& [device, folder] : devices_) {
      if (::syncfs(folder.get()) != 0 && !first_error) first_error = last_error();
    }
    devices_.clear();
    written_folders_.clear();
    made_folders_.clear();
    return first_error;
  }

  std::error_code make_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return invalid_path();
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return last_error();
    const std::lock_guard lock(mutex_);
    made_folders_.insert(path + '/');
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    struct stat info;
    return !holds_zero_byte(folder) && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

 private:
  // Keeps a descriptor on the file system of `folder`, for flush().
  void note_written(const std::string& folder) {
    const std::lock_guard lock(mutex_);
    if (!written_folders_.insert(folder).second) return;
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info;
    if (fd && ::fstat(fd.get(), &info) == 0) devices_.try_emplace(info.st_dev, std::move(fd));
  }

  // The copy run copies on several threads; the folder sets below are
  // shared by them, the copies themselves are not.
  std::mutex mutex_;
  std::unordered_set<std::string> swept_folders_;
  // Since the last flush: the folders this object created (no file in them
  // predates the run), those written into, and one open folder per device.
  std::unordered_set<std::string> made_folders_;
  std::unordered_set<std::string> written_folders_;
  std::unordered_map<dev_t, Descriptor> devices_;
};

}  // namespace

std::unique_ptr<FileSystem> make_native_file_system() {
  return std::make_unique<PosixFileSystem>();
}

bool target_looks_unchanged(const std::string& source, const std::string& target) {
  struct stat source_info;
  struct stat existing;
  // As the copy looks: the source followed, the target itself.
  return !holds_zero_byte(source) && !holds_zero_byte(target) &&
         ::stat(source.c_str(), &source_info) == 0 && ::lstat(target.c_str(), &existing) == 0 &&
         looks_unchanged(existing, source_info);
}

}  // namespace tolvane::fsys
