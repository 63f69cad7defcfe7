// Staging a copy and naming it.  The naming tries, in turn, what the volume
// offers: linking an unnamed file, renaming without replacing, linking a
// named one; a volume with none of them (FUSE exFAT, FAT) gets the target's
// name reserved by an exclusive create, and the copy renamed over that
// reservation of its own.
#include "fsys/posix/copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "fsys/path_split.h"
#include "fsys/posix/copy_data.h"
#include "fsys/posix/temporaries.h"
#include "fsys/posix/trash.h"
#include "fsys/quick_check.h"
#include "fsys/replace_steps.h"
#include "fsys/set_aside.h"
#include "fsys/trash_error.h"

namespace tolvane::fsys::posix {
namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The modification time a reservation carries while it holds a target's
// name for the instant before the copy is renamed over it.  A reservation
// left by a kill or a power cut is known by it, empty, and taken over by the
// next run without going to the trash (or removed by undo).
constexpr time_t reservation_time = name_reservation_time;

mode_t new_file_mode(const struct stat& source) { return source.st_mode & 0777; }

long long nanoseconds(const struct timespec& time) {
  return static_cast<long long>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool is_reservation(const struct stat& existing) {
  return S_ISREG(existing.st_mode) &&
         is_name_reservation(
             {static_cast<std::uint64_t>(existing.st_size), nanoseconds(existing.st_mtim), {}});
}

// Gives the unnamed file `fd` the name `path`; fails with EEXIST when that
// name is taken.  Linking by the descriptor itself needs a privilege that
// only some processes have; the first refusal sends every later link
// through /proc, which anyone may use.
// `path` is taken from the folder `at` (AT_FDCWD: as it stands).
std::error_code link_unnamed(int fd, int at, const char* path) {
  static std::atomic<bool> by_descriptor{true};
  if (by_descriptor.load(relaxed)) {
    if (::linkat(fd, "", at, path, AT_EMPTY_PATH) == 0) return {};
    if (errno != ENOENT && errno != EPERM) return last_error();
    by_descriptor.store(false, relaxed);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), at, path, AT_SYMLINK_FOLLOW) == 0) return {};
  return last_error();
}

std::error_code link_unnamed(int fd, const std::string& path) {
  return link_unnamed(fd, AT_FDCWD, path.c_str());
}

// Names the unnamed staged copy with its target's name, within its open
// folder where it has one.
std::error_code link_at_target(const PosixStagedCopy& staged) {
  const std::shared_ptr<const Descriptor> folder = staged.folder.lock();
  if (!folder) return link_unnamed(staged.data.get(), staged.target);
  const char* name = staged.target.c_str() + last_name_start(staged.target);
  return link_unnamed(staged.data.get(), folder->get(), name);
}

// Gives an unnamed staged copy a hidden name of its own, so that it can be
// renamed over a file that stands at the target.
std::error_code name_hidden(PosixStagedCopy& staged) {
  if (!staged.temporary.empty()) return {};
  const std::string folder = folder_of(staged.target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string hidden = temporary_name(folder);
    const std::error_code error = link_unnamed(staged.data.get(), hidden);
    if (!error) {
      staged.temporary = hidden;
      return {};
    }
    if (error != std::errc::file_exists) return error;
  }
  return std::make_error_code(std::errc::file_exists);
}

// Renames the staged copy's hidden name over `target`, whatever stands there.
std::error_code rename_over(PosixStagedCopy& staged) {
  if (::rename(staged.temporary.c_str(), staged.target.c_str()) != 0) return last_error();
  staged.temporary.clear();
  return {};
}

// For a volume that cannot name without replacing: the target's name is
// taken by an exclusive create, which no volume lets two writers win, and
// the copy is renamed over that reservation of its own.
std::error_code reserve_then_rename(PosixStagedCopy& staged) {
  Descriptor reservation(
      ::open(staged.target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!reservation) return last_error();
  const struct timespec times[2] = {{reservation_time, 0}, {reservation_time, 0}};
  ::futimens(reservation.get(), times);
  reservation.close();
  const std::error_code error = rename_over(staged);
  if (error) {
    struct stat left;
    if (::lstat(staged.target.c_str(), &left) == 0 && is_reservation(left)) {
      ::unlink(staged.target.c_str());
    }
  }
  return error;
}

// Gives a named staged copy the target's name unless a file stands there
// (EEXIST then), by the first way the volume offers.
std::error_code name_temporary(PosixStagedCopy& staged) {
  VolumeWays& ways = *staged.ways;
  const char* from = staged.temporary.c_str();
  const char* to = staged.target.c_str();
  if (ways.no_replace_rename.load(relaxed)) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
      staged.temporary.clear();
      return {};
    }
    if (!not_offered(errno)) return last_error();
    ways.no_replace_rename.store(false, relaxed);
  }
  if (ways.hard_links.load(relaxed)) {
    if (::link(from, to) == 0) {
      ::unlink(from);
      staged.temporary.clear();
      return {};
    }
    if (errno != EPERM && errno != EMLINK && !not_offered(errno)) return last_error();
    ways.hard_links.store(false, relaxed);
  }
  return reserve_then_rename(staged);
}

// True when `path`'s own name stands in its folder byte for byte; false when
// the volume only takes it for another name there (it folds case or
// normalises), or when the folder cannot be read.
bool spelled_as_is(const std::string& path) {
  const std::string folder = folder_of(path);
  const std::string name = path.substr(folder.size());
  const FolderStream dir(::opendir(folder.c_str()));
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (name == entry->d_name) return true;
  }
  return false;
}

// The old file at the target goes to the trash and the copy takes its name:
// at every instant the old content has a name, and the target holds the old
// file or the new one, whole.  A volume without hard links moves the old
// file into its trash instead, and the target's name is missing for the
// instant between the two renames.
Copied replace_existing(PosixStagedCopy& staged) {
  const std::string& target = staged.target;
  if (const std::error_code error = probe_replace_step(ReplaceStep::write_new_content)) {
    return {error};
  }
  if (const std::error_code error = name_hidden(staged)) return {error};

  TrashWay way = staged.ways->hard_links.load(relaxed) ? TrashWay::link : TrashWay::move;
  TrashEntry entry;
  // A volume without a usable trash keeps the old file in the destination's
  // set-aside folder instead.
  bool aside = false;
  const auto keep_old = [&] {
    std::error_code error = put_in_trash(target, way, entry);
    aside = error == trash_error(EXDEV) && staged.set_aside != nullptr &&
            !staged.set_aside->root.empty();
    return aside ? put_aside(target, way, *staged.set_aside, entry) : error;
  };
  std::error_code error = keep_old();
  if (way == TrashWay::link &&
      (error == std::errc::operation_not_permitted || error == std::errc::too_many_links ||
       error == std::errc::operation_not_supported)) {
    staged.ways->hard_links.store(false, relaxed);
    way = TrashWay::move;
    error = keep_old();
  }
  if (!error) error = probe_replace_step(ReplaceStep::take_target_name);
  if (!error) error = rename_over(staged);
  if (!error) {
    return {{},
            aside ? CopyOutcome::set_aside : CopyOutcome::replaced,
            {aside ? KeptIn::set_aside : KeptIn::trash, entry.file, entry.info}};
  }
  // A refused trash or set-aside left the old file where it was; otherwise
  // it comes back out the way it went in.
  if (error.category() != trash_category() && error.category() != set_aside_category()) {
    take_out_of_trash(target, way, entry);
  }
  return {error};
}

// An empty file that a run killed between reserving the target's name and
// dating the reservation left: its copy of this very source lay unnamed
// beside it until the sweep before this run's first copy into the folder.
// A file of the user's is not so paired with a copy of ours.
bool killed_before_dating(const PosixStagedCopy& staged, const struct stat& existing) {
  if (!S_ISREG(existing.st_mode) || existing.st_size != 0 || staged.left_copies == nullptr) {
    return false;
  }
  for (const struct stat& left : *staged.left_copies) {
    if (looks_unchanged(left, staged.source_info)) return true;
  }
  return false;
}

// The target's name is taken by `existing`: what the copy does about it.
Copied name_over(PosixStagedCopy& staged, const struct stat& existing) {
  if (S_ISDIR(existing.st_mode)) return {std::make_error_code(std::errc::is_a_directory)};
  struct stat behind;
  // A file replaced by a copy of itself would be lost.
  if (::stat(staged.target.c_str(), &behind) == 0 && same_file(behind, staged.source_info)) {
    return {std::make_error_code(std::errc::invalid_argument)};
  }
  if (staged.look_alike == LookAlike::is_the_copy &&
      looks_unchanged(existing, staged.source_info)) {
    return {{}, CopyOutcome::unchanged};
  }
  // Only an empty file so dated: a photo a camera dated 1980, or an empty
  // file of any other date, is the user's and goes to the trash.
  if (is_reservation(existing) || killed_before_dating(staged, existing)) {
    // Left by a copy of this program that never finished: nothing of the
    // user's is in it.
    if (const std::error_code error = name_hidden(staged)) return {error};
    return {rename_over(staged)};
  }
  if (!spelled_as_is(staged.target)) return {{}, CopyOutcome::name_held_by_run};
  return replace_existing(staged);
}

}  // namespace

PosixStagedCopy::~PosixStagedCopy() {
  if (!temporary.empty()) ::unlink(temporary.c_str());
  if (held != nullptr) held->fetch_sub(1, relaxed);
}

std::string folder_of(const std::string& path) { return folder_holding(path); }

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool looks_unchanged(const struct stat& existing, const struct stat& source) {
  return S_ISREG(existing.st_mode) && existing.st_size == source.st_size &&
         same_modification_time(nanoseconds(existing.st_mtim), nanoseconds(source.st_mtim),
                                1'000'000'000);
}

std::error_code stage(int in, PosixStagedCopy& staged, bool hold_descriptor) {
  const mode_t mode = new_file_mode(staged.source_info);
  if (hold_descriptor && staged.ways->unnamed_files.load(relaxed)) {
    constexpr int unnamed_flags = O_TMPFILE | O_RDWR | O_CLOEXEC;
    const std::shared_ptr<const Descriptor> folder = staged.folder.lock();
    Descriptor unnamed(folder ? ::openat(folder->get(), ".", unnamed_flags, mode)
                              : ::open(folder_of(staged.target).c_str(), unnamed_flags, mode));
    if (unnamed) {
      staged.data = std::move(unnamed);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
      staged.ways->unnamed_files.store(false, relaxed);
    } else if (errno != EMFILE && errno != ENFILE) {
      // Too many files open at once only sends this copy the named way.
      return last_error();
    }
  }
  if (!staged.data) {
    staged.data = create_temporary(folder_of(staged.target), mode, staged.temporary);
    if (!staged.data) return last_error();
  }
  if (const std::error_code error = fill(in, staged.data.get(), staged.source_info)) return error;
  if (staged.ways->round_trips || !hold_descriptor) {
    if (::fdatasync(staged.data.get()) != 0) return last_error();
    staged.durable = true;
  }
  if (staged.ways->numbers_last) {
    struct stat written;
    if (::fstat(staged.data.get(), &written) == 0) staged.file_number = written.st_ino;
  }
  // A named file is closed before it takes its name (give_name says why);
  // an unnamed one lives only as long as its descriptor.
  const bool close_now =
      !hold_descriptor || (staged.ways->round_trips && !staged.temporary.empty());
  if (close_now && staged.data.close() != 0) return last_error();
  return {};
}

Copied give_name(PosixStagedCopy& staged) {
  // A named file is closed before it takes its name: a late write error
  // shows there, and must not show under the target's name.
  if (!staged.temporary.empty() && staged.data.close() != 0) return {last_error()};
  // A file that stood at the target may go between the look and the name.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::error_code error =
        staged.temporary.empty() ? link_at_target(staged) : name_temporary(staged);
    if (!error) return {};
    if (error != std::errc::file_exists) return {error};
    struct stat existing;
    if (::lstat(staged.target.c_str(), &existing) == 0) return name_over(staged, existing);
    if (errno != ENOENT) return {last_error()};
  }
  return {std::make_error_code(std::errc::file_exists)};
}

}  // namespace tolvane::fsys::posix
