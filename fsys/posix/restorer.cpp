// Undo's file services on POSIX: the freedesktop trash both ways, renames
// that never replace, and the journal's appended files.
#include "fsys/restorer.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

#include "fsys/path_split.h"
#include "fsys/posix/descriptor.h"
#include "fsys/posix/identity.h"
#include "fsys/posix/temporaries.h"
#include "fsys/posix/trash.h"
#include "fsys/replace_steps.h"

namespace tolvane::fsys {
namespace {

using posix::Descriptor;
using posix::last_error;

class PosixAppendedFile final : public AppendedFile {
 public:
  explicit PosixAppendedFile(Descriptor fd) : fd_(std::move(fd)) {}
  std::error_code append(const std::string& text) override {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t written = ::write(fd_.get(), text.data() + done, text.size() - done);
      if (written < 0) {
        if (errno == EINTR) continue;
        return last_error();
      }
      done += static_cast<std::size_t>(written);
    }
    return {};
  }
  std::error_code sync() override {
    return ::fdatasync(fd_.get()) == 0 ? std::error_code() : last_error();
  }

 private:
  Descriptor fd_;
};

std::string without_separator(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

class PosixRestorer final : public Restorer {
 public:
  // A look at the name alone, without opening the file: undo looks at
  // every copy and its source, and an open costs three more calls each.
  std::optional<FileIdentity> identify(const std::string& path) override {
    struct stat info;
    if (::fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      return std::nullopt;
    }
    const std::optional<bool> numbers = numbers_last(path, info.st_dev);
    if (!numbers) return std::nullopt;
    return posix::identity_of(info, *numbers);
  }

  std::error_code remove_file(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? std::error_code() : last_error();
  }

  std::error_code trash(const std::string& path, KeptFile& kept) override {
    posix::TrashEntry entry;
    if (const std::error_code error = posix::put_in_trash(path, posix::TrashWay::move, entry)) {
      return error;
    }
    kept = {KeptIn::trash, entry.file, entry.info};
    return {};
  }

  std::optional<KeptFile> find_replaced(const std::string& path, std::int64_t since) override {
    const std::optional<posix::TrashEntry> entry = posix::find_trashed(path, since / 1'000'000'000);
    if (!entry) return std::nullopt;
    return KeptFile{KeptIn::trash, entry->file, entry->info};
  }

  void forget_unfinished_keeping(const std::string& path, std::int64_t since) override {
    posix::forget_unfinished_trashing(path, since / 1'000'000'000);
  }

  std::error_code put_back(const KeptFile& kept, const std::string& path) override {
    if (kept.file.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    if (const std::error_code error = rename_without_replacing(kept.file, path)) return error;
    if (!kept.record.empty()) ::unlink(kept.record.c_str());
    return {};
  }

  std::error_code remove_empty_folder(const std::string& folder) override {
    return ::rmdir(without_separator(folder).c_str()) == 0 ? std::error_code() : last_error();
  }

  TemporaryWriter this_writer() override {
    return {static_cast<std::uint32_t>(::getpid()), posix::boot_mark()};
  }

  std::size_t remove_temporaries(const std::string& folder,
                                 const TemporaryWriter& writer) override {
    std::vector<struct stat> removed;
    posix::remove_stale_temporaries(folder, &removed, &writer);
    return removed.size();
  }

  std::error_code make_folders(const std::string& folder) override {
    for (std::size_t cut = folder.find('/', 1); cut != std::string::npos;
         cut = folder.find('/', cut + 1)) {
      const std::string part = folder.substr(0, cut);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return last_error();
    }
    return {};
  }

  std::unique_ptr<AppendedFile> open_appended(const std::string& path, bool create,
                                              std::error_code& error) override {
    Descriptor fd(::open(path.c_str(),
                         O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0), 0600));
    if (!fd) {
      error = last_error();
      return nullptr;
    }
    // The new name itself must survive a power cut, not only what it holds.
    const std::string folder = folder_holding(path);
    Descriptor parent(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent) ::fsync(parent.get());
    error = {};
    return std::make_unique<PosixAppendedFile>(std::move(fd));
  }

  std::vector<std::string> file_names(const std::string& folder) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
  }

  std::optional<std::string> read_text(const std::string& path, std::size_t limit) override {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    return read_from(fd, limit);
  }

  std::optional<std::string> read_end(const std::string& path, std::size_t limit) override {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!fd || ::fstat(fd.get(), &info) != 0) return std::nullopt;
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > limit && ::lseek(fd.get(), static_cast<off_t>(size - limit), SEEK_SET) < 0) {
      return std::nullopt;
    }
    return read_from(fd, limit);
  }

 private:
  // Whether the volume of `device`, which holds `path`, keeps its file
  // numbers.  Learnt at most once a second per volume: undo looks at tens
  // of thousands of files on two or three volumes, and unplugging one and
  // mounting another under its device number takes longer than that.
  std::optional<bool> numbers_last(const std::string& path, dev_t device) {
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(volumes_mutex_);
    const auto known = volumes_.find(device);
    if (known != volumes_.end() && now - known->second.learnt < std::chrono::seconds(1)) {
      return known->second.numbers_last;
    }
    struct statfs volume;
    if (::statfs(path.c_str(), &volume) != 0) return std::nullopt;
    const bool numbers = posix::numbers_last_on(static_cast<long>(volume.f_type));
    volumes_[device] = {numbers, now};
    return numbers;
  }

  struct Volume {
    bool numbers_last;
    std::chrono::steady_clock::time_point learnt;
  };
  std::mutex volumes_mutex_;
  std::unordered_map<dev_t, Volume> volumes_;

  // At most `limit` bytes from where `fd` stands.
  static std::optional<std::string> read_from(const Descriptor& fd, std::size_t limit) {
    std::string text;
    char buffer[65536];
    // No more than asked: the window reads the first lines of every
    // journal at each change of the destination.
    while (text.size() < limit) {
      const ssize_t got = ::read(fd.get(), buffer, std::min(sizeof buffer, limit - text.size()));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
  }

  // A file that took the name meanwhile is the user's and stays.
  static std::error_code rename_without_replacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return last_error();
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return {};
    }
    if (errno == EEXIST) return last_error();
    // No links either (exFAT through FUSE): the name is taken by an
    // exclusive create, which no volume lets two writers win, and the file
    // renamed over that reservation of its own; another program's file that
    // took the name since the first try stays.
    if (const std::error_code probed = probe_replace_step(ReplaceStep::take_back_name)) {
      return probed;
    }
    Descriptor reservation(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!reservation) return last_error();
    // Dated as the copies date theirs, so that one a kill leaves is known.
    const struct timespec times[2] = {{name_reservation_time, 0}, {name_reservation_time, 0}};
    ::futimens(reservation.get(), times);
    reservation.close();
    if (::rename(from.c_str(), to.c_str()) == 0) return {};
    const std::error_code error = last_error();
    ::unlink(to.c_str());
    return error;
  }
};

}  // namespace

std::unique_ptr<Restorer> make_native_restorer() { return std::make_unique<PosixRestorer>(); }

std::string journal_folder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/tolvane/journals/";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + "/.local/state/tolvane/journals/";
}

}  // namespace tolvane::fsys
