// The file-system services on POSIX: folders listed with the raw directory
// calls, and copies that only ever appear whole under the target's name.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/letter_case_fold.h"
#include "fsys/name_order.h"
#include "fsys/posix_copy.h"
#include "fsys/posix_descriptor.h"
#include "fsys/posix_entry_kind.h"
#include "fsys/posix_identity.h"
#include "fsys/posix_source_folders.h"
#include "fsys/posix_temporaries.h"
#include "fsys/posix_trash.h"
#include "fsys/quick_check.h"
#include "fsys/trash_error.h"

namespace tolvane::fsys {
namespace {

using posix::Descriptor;
using posix::last_error;

// ---- Listing ---------------------------------------------------------------

FolderContents list_folder(const std::string& folder) {
  FolderContents contents;
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) {
    contents.error = last_error();
    return contents;
  }
  // The entries straight from the kernel, a buffer at a time: a directory
  // stream would first ask about the folder three more times (fstat and
  // two fcntl), which in a walk of small folders is almost as much again.
  constexpr std::size_t buffer_size = 32 * 1024;
  alignas(struct dirent64) char buffer[buffer_size];
  for (;;) {
    const ssize_t got = ::getdents64(fd.get(), buffer, buffer_size);
    if (got == 0) break;
    if (got < 0) {
      contents.error = last_error();
      contents.entries.clear();
      return contents;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      // Hidden names, "." and ".." among them, are never listed.
      if (entry->d_name[0] == '.') continue;
      if (const auto kind = posix::listed_kind(fd.get(), entry->d_name, entry->d_type)) {
        contents.entries.push_back({entry->d_name, *kind});
      }
    }
  }
  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return name_before(a.name, b.name); });
  return contents;
}

// A path with a zero byte in it would name a shorter, different path at the
// system call; no file of that name can exist.
bool holds_zero_byte(const std::string& path) { return path.find('\0') != std::string::npos; }

std::error_code invalid_path() { return std::make_error_code(std::errc::invalid_argument); }

// A copy that starts by finding its target unchanged, or failing, and has
// nothing to name.
CopyStart finished(std::error_code error, CopyOutcome outcome = CopyOutcome::copied) {
  CopyStart start;
  start.error = error;
  start.outcome = outcome;
  return start;
}

// The descriptors a run may hold open beyond its sources and listings.
struct DescriptorBudget {
  int staged_copies;  // one per copy staged unnamed
  int open_folders;   // one per target folder kept open
};

// Lets this process hold the descriptors of a batch of unnamed copies: the
// soft limit is often 1024 where the hard one is far higher.  Staged copies
// may hold what is allowed now less an eighth (at least 256), which is left
// to sources, listings, the window and, a quarter of it, target folders.
DescriptorBudget allow_open_files() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return {256, 16};
  const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 65536);
  if (limit.rlim_cur < wanted) {
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = before;
  }
  const rlim_t allowed = limit.rlim_cur == RLIM_INFINITY ? 65536 : limit.rlim_cur;
  const rlim_t kept_back = std::max<rlim_t>(allowed / 8, 256);
  const rlim_t budget = allowed > kept_back ? allowed - kept_back : 0;
  return {static_cast<int>(std::clamp<rlim_t>(budget, 16, 65536)),
          static_cast<int>(std::clamp<rlim_t>(kept_back / 4, 16, 1024))};
}

// Below this many copies on one volume, flushing each costs less than
// flushing the whole volume.
constexpr std::size_t flush_each_below = 4;

// The copy's size and time are its source's; its number, on a volume that
// keeps numbers, is the staged file's own, which it keeps when it takes its
// name.  What the volume keeps was learnt once for all its copies.
FileIdentity staged_identity(const posix::PosixStagedCopy& staged) {
  FileIdentity identity = posix::identity_of(staged.source_info, false);
  if (!staged.ways->numbers_last) return identity;
  struct stat info;
  bool seen = false;
  if (staged.data) {
    seen = ::fstat(staged.data.get(), &info) == 0;
  } else if (!staged.temporary.empty()) {
    seen = ::stat(staged.temporary.c_str(), &info) == 0;
  }
  if (seen) identity.file_id = std::to_string(info.st_ino);
  return identity;
}

class PosixFileSystem final : public FileSystem {
 public:
  PosixFileSystem() : id_(next_id_.fetch_add(1) + 1) {
    const DescriptorBudget budget = allow_open_files();
    descriptor_budget_ = budget.staged_copies;
    open_folders_kept_ = static_cast<std::size_t>(budget.open_folders);
  }

  FolderContents read_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return {{}, invalid_path()};
    return list_folder(folder);
  }
  // A listing shares nothing with other calls.
  bool reads_folders_from_any_thread() const override { return true; }

  CopyStart start_copy(const std::string& source, const std::string& target) override {
    if (holds_zero_byte(source) || holds_zero_byte(target)) return finished(invalid_path());
    auto staged = std::make_unique<posix::PosixStagedCopy>();
    bool may_exist = true;
    if (const std::error_code error = enter_target_folder(target, *staged, may_exist)) {
      return finished(error);
    }
    // The target is looked at once.  A re-run finds most targets to be the
    // source's copy already, and one more look at the source tells that
    // without opening it: opening every source would cost a re-run more
    // than the copying it saves.
    // Both are looked up by name within their open folders where they have
    // one, not by the whole path again.
    const std::size_t source_cut = source.rfind('/');
    const std::shared_ptr<const Descriptor> source_folder =
        source_cut == std::string::npos
            ? nullptr
            : source_folders_.folder(std::string_view(source).substr(0, source_cut + 1));
    const int source_at = source_folder ? source_folder->get() : AT_FDCWD;
    const char* source_name = source.c_str() + (source_folder ? source_cut + 1 : 0);
    struct stat existing;
    if (may_exist && look_at_target(*staged, target, existing)) {
      struct stat source_seen;
      if (::fstatat(source_at, source_name, &source_seen, 0) == 0 && S_ISREG(source_seen.st_mode) &&
          !posix::same_file(existing, source_seen) &&
          posix::looks_unchanged(existing, source_seen)) {
        return finished({}, CopyOutcome::unchanged);
      }
    }
    // O_NONBLOCK keeps a FIFO from hanging the open; regular files ignore it.
    Descriptor in(::openat(source_at, source_name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in) return finished(last_error());
    if (::fstat(in.get(), &staged->source_info) != 0) return finished(last_error());
    if (S_ISDIR(staged->source_info.st_mode)) {
      return finished(std::make_error_code(std::errc::is_a_directory));
    }
    if (!S_ISREG(staged->source_info.st_mode)) {
      return finished(std::make_error_code(std::errc::invalid_argument));
    }
    // Only a folder a copy is written into is swept: a re-run that finds
    // every copy in place reads no folder of the destination.
    if (may_exist) sweep_once(*staged);
    staged->target = target;
    staged->set_aside = &set_aside_;
    // Each staged copy may hold a descriptor until its batch is named; past
    // the budget, copies are flushed on their own and hold none.
    const bool hold = held_descriptors_.fetch_add(1) < descriptor_budget_;
    if (hold) {
      staged->held = &held_descriptors_;
    } else {
      held_descriptors_.fetch_sub(1);
    }
    if (const std::error_code error = posix::stage(in.get(), *staged, hold)) return finished(error);
    CopyStart start;
    start.identity = staged_identity(*staged);
    start.staged = std::move(staged);
    return start;
  }

  // The batch's data goes on the device with one syncfs per volume: a
  // single journal commit where an fdatasync per copy would wait for one
  // each.
  void flush_staged(std::vector<CopyNaming>& batch) override {
    std::unordered_map<posix::VolumeWays*, std::vector<CopyNaming*>> unflushed;
    for (CopyNaming& naming : batch) {
      auto* staged = static_cast<posix::PosixStagedCopy*>(naming.staged.get());
      if (staged != nullptr && !staged->durable) unflushed[staged->ways].push_back(&naming);
    }
    // A copy whose data did not reach the device fails and is never named.
    const auto flushed = [](CopyNaming& naming, int error_number) {
      if (error_number == 0) {
        static_cast<posix::PosixStagedCopy&>(*naming.staged).durable = true;
      } else {
        naming.error = std::error_code(error_number, std::generic_category());
        naming.staged.reset();
      }
    };
    const auto data_of = [](const CopyNaming* naming) {
      return static_cast<const posix::PosixStagedCopy&>(*naming->staged).data.get();
    };
    for (const auto& [ways, copies] : unflushed) {
      if (copies.size() < flush_each_below) {
        for (CopyNaming* naming : copies) {
          flushed(*naming, ::fdatasync(data_of(naming)) == 0 ? 0 : errno);
        }
        continue;
      }
      const int error_number = ::syncfs(data_of(copies.front())) == 0 ? 0 : errno;
      for (CopyNaming* naming : copies) flushed(*naming, error_number);
    }
  }

  // Only copies whose data flush_staged put on the device take their
  // names, in batch order.
  void name_copies(std::vector<CopyNaming>& batch) override {
    for (CopyNaming& naming : batch) {
      auto* staged = static_cast<posix::PosixStagedCopy*>(naming.staged.get());
      if (staged == nullptr) continue;
      if (!staged->durable) {
        naming.error = std::make_error_code(std::errc::io_error);
        naming.staged.reset();
        continue;
      }
      const posix::Copied copied = posix::give_name(*staged);
      naming.error = copied.error;
      naming.outcome = copied.outcome;
      naming.kept = copied.kept;
      if (!copied.error &&
          (copied.outcome == CopyOutcome::copied || copied.outcome == CopyOutcome::replaced ||
           copied.outcome == CopyOutcome::set_aside)) {
        note_written(*staged->ways, staged->target);
      }
      naming.staged.reset();
    }
  }

  std::size_t staged_copies_allowed() const override {
    return static_cast<std::size_t>(descriptor_budget_);
  }

  // A hidden file made in `folder`, then looked for under its name in upper
  // case: the volume itself says how it compares names.
  bool folds_letter_case(const std::string& folder) override {
    if (holds_zero_byte(folder)) return false;
    std::string probe;
    Descriptor made = posix::create_temporary(folder, 0600, probe);
    if (!made) return false;
    std::string upper = probe;
    for (std::size_t i = folder.size(); i < upper.size(); ++i) {
      if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    }
    struct stat info;
    const bool folds = ::lstat(upper.c_str(), &info) == 0;
    ::unlink(probe.c_str());
    if (folds) {
      const std::lock_guard lock(mutex_);
      folding_folders_.push_back(folder.ends_with('/') ? folder : folder + '/');
      epoch_.fetch_add(1, std::memory_order_release);
    }
    return folds;
  }

  // Told before the run's first copy, while no copy is under way.
  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    set_aside_ = {root, std::string(set_aside_name)};
  }

  std::error_code move_to_trash(const std::string& path) override {
    if (holds_zero_byte(path)) return trash_error(EINVAL);
    posix::TrashEntry entry;
    return posix::put_in_trash(path, posix::TrashWay::move, entry);
  }

  // One syncfs per file system written to: the names the batches gave, and
  // the folders made, go on the device together.
  std::error_code flush() override {
    const std::lock_guard lock(mutex_);
    std::error_code first_error;
    for (auto& [device, folder] : devices_) {
      if (::syncfs(folder.get()) != 0 && !first_error) first_error = last_error();
    }
    devices_.clear();
    made_folders_.clear();
    source_folders_.close_all();
    // A folder may be gone or replaced before the next run: its descriptor
    // would still name the old one.
    for (EnteredFolder* entered : open_folders_) entered->open.reset();
    open_folders_.clear();
    epoch_.fetch_add(1, std::memory_order_release);
    return first_error;
  }

  std::error_code make_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return invalid_path();
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return last_error();
    // The copies into the new folder find it open and its volume known
    // here, learnt once, rather than each copy thread that meets the
    // folder first asking.
    EnteredFolder entered;
    const bool opened = !open_folder(path, entered);
    const std::lock_guard lock(mutex_);
    made_folders_.insert(path + '/');
    if (opened) remember_folder(path + '/', std::move(entered));
    epoch_.fetch_add(1, std::memory_order_release);
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    struct stat info;
    return !holds_zero_byte(folder) && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

 private:
  // A folder copies went into: its volume, and the folder itself while it
  // is kept open.
  struct EnteredFolder {
    posix::VolumeWays* ways = nullptr;
    std::shared_ptr<const Descriptor> open;  // null once closed
  };

  // What a copy thread learnt of the folder it copied into last.  Its next
  // copy nearly always goes there too, and then takes it from here without
  // the lock, as long as nothing that could change it (a folder made, a
  // flush) has happened since.
  struct LastFolder {
    std::uint64_t file_system = 0;  // id_ of the file system it belongs to
    std::uint64_t epoch = 0;
    std::string folder;
    posix::VolumeWays* ways = nullptr;
    std::weak_ptr<const Descriptor> open;
    bool may_exist = true;
    const std::vector<struct stat>* left_copies = nullptr;
    bool swept = false;  // its sweep is over, and left_copies is what it found
  };

  static LastFolder& thread_last_folder() {
    thread_local LastFolder last;
    return last;
  }

  // lstat of `target`, within its open folder where it has one.
  static bool look_at_target(const posix::PosixStagedCopy& staged, const std::string& target,
                             struct stat& existing) {
    if (const std::shared_ptr<const Descriptor> folder = staged.folder.lock()) {
      const char* name = target.c_str() + target.rfind('/') + 1;
      return ::fstatat(folder->get(), name, &existing, AT_SYMLINK_NOFOLLOW) == 0;
    }
    return ::lstat(target.c_str(), &existing) == 0;
  }

  // enter_folder for the folder of `target`, by way of the thread's last.
  std::error_code enter_target_folder(const std::string& target, posix::PosixStagedCopy& staged,
                                      bool& may_exist) {
    LastFolder& last = thread_last_folder();
    const std::uint64_t epoch = epoch_.load(std::memory_order_acquire);
    const std::size_t cut = target.rfind('/');
    if (cut != std::string::npos && last.file_system == id_ && last.epoch == epoch &&
        std::string_view(target).substr(0, cut + 1) == last.folder) {
      staged.ways = last.ways;
      staged.folder = last.open;
      may_exist = last.may_exist;
      return {};
    }
    std::string folder = posix::folder_of(target);
    if (const std::error_code error = enter_folder(folder, staged, may_exist)) return error;
    // What a sweep found is learnt by sweep_once, for copies that need it.
    last = {id_, epoch, std::move(folder), staged.ways, staged.folder, may_exist, nullptr, false};
    return {};
  }

  // Before the first copy written into the folder of the thread's last
  // target: clears what killed copies left there, once per folder, and
  // gives `staged` what that sweep removed.  The copy threads that meet a
  // folder at once sweep it once; the others wait for that sweep, so that
  // no copy is named beside what a killed one left.
  void sweep_once(posix::PosixStagedCopy& staged) {
    LastFolder& last = thread_last_folder();
    if (last.swept) {
      staged.left_copies = last.left_copies;
      return;
    }
    bool sweep = false;
    std::string key;
    {
      std::unique_lock lock(mutex_);
      key = sweep_key(last.folder);
      sweep = swept_folders_.insert(key).second;
      if (sweep) {
        sweeping_folders_.insert(key);
      } else {
        swept_.wait(lock, [&] { return !sweeping_folders_.contains(key); });
      }
    }
    // Another thread may copy into the folder meanwhile: its temporaries
    // carry this process's id, which the sweep never removes.
    if (sweep) {
      // What it removed tells a name reserved by a killed copy from a file
      // of the user's.
      std::vector<struct stat> removed;
      posix::remove_stale_temporaries(last.folder, &removed);
      {
        const std::lock_guard lock(mutex_);
        if (!removed.empty()) left_copies_[key] = std::move(removed);
        sweeping_folders_.erase(key);
      }
      swept_.notify_all();
    }
    const std::lock_guard lock(mutex_);
    const auto left = left_copies_.find(key);
    staged.left_copies = left == left_copies_.end() ? nullptr : &left->second;
    last.left_copies = staged.left_copies;
    last.swept = true;
  }

  // Which folders are one for the sweep: on a volume that folds letter
  // case, "Trip/" and "trip/" are one folder, and whichever spelling meets
  // it first must tell the other what the sweep found.  Called with mutex_
  // held.
  std::string sweep_key(const std::string& folder) const {
    for (const std::string& root : folding_folders_) {
      if (folder.starts_with(root)) return letter_case_folded(folder);
    }
    return folder;
  }

  // Before the first copy into `folder`: learns its volume and opens it.
  // `may_exist` says whether the folder can hold files this run did not
  // write; when it cannot, no look at the target precedes the copy, and a
  // name found taken is handled as met.
  std::error_code enter_folder(const std::string& folder, posix::PosixStagedCopy& staged,
                               bool& may_exist) {
    {
      const std::lock_guard lock(mutex_);
      may_exist = !made_folders_.contains(folder);
      if (const auto known = folder_ways_.find(folder); known != folder_ways_.end()) {
        staged.ways = known->second.ways;
        staged.folder = known->second.open;
        return {};
      }
    }
    EnteredFolder entered;
    if (const std::error_code error = open_folder(folder, entered)) return error;
    staged.ways = entered.ways;
    staged.folder = entered.open;
    const std::lock_guard lock(mutex_);
    remember_folder(folder, std::move(entered));
    return {};
  }

  // Opens `folder` for the copies into it and learns its volume.
  std::error_code open_folder(const std::string& folder, EnteredFolder& entered) {
    entered.open = std::make_shared<const Descriptor>(
        ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info;
    if (!*entered.open || ::fstat(entered.open->get(), &info) != 0) return last_error();
    entered.ways = volume_of(folder, info.st_dev);
    return {};
  }

  // Called with mutex_ held.  Keeps `folder` open for the copies into it;
  // past open_folders_kept_, the folder met longest ago is closed, and its
  // copies not yet named go by its path.
  void remember_folder(const std::string& folder, EnteredFolder opened) {
    const auto [entered, added] =
        folder_ways_.try_emplace(folder, EnteredFolder{opened.ways, nullptr});
    if (!added || entered->second.open) return;
    entered->second.open = std::move(opened.open);
    open_folders_.push_back(&entered->second);
    if (open_folders_.size() > open_folders_kept_) {
      open_folders_.front()->open.reset();
      open_folders_.pop_front();
    }
  }

  // The ways of the volume `device`, which holds `folder`; a volume met for
  // the first time is asked what it is.
  posix::VolumeWays* volume_of(const std::string& folder, dev_t device) {
    {
      const std::lock_guard lock(mutex_);
      if (const auto known = volumes_.find(device); known != volumes_.end()) {
        return known->second.get();
      }
    }
    struct statfs info;
    const long type = ::statfs(folder.c_str(), &info) == 0 ? static_cast<long>(info.f_type) : 0;
    const std::lock_guard lock(mutex_);
    auto& volume = volumes_[device];
    if (!volume) {
      volume = std::make_unique<posix::VolumeWays>();
      volume->flush_each = type == posix::fuse_type;
      // Unknown (statfs refused): no number is trusted.
      volume->numbers_last = type != 0 && posix::numbers_last_on(type);
      volume->device = device;
    }
    return volume.get();
  }

  // Keeps a descriptor on the volume of `ways`, where `target` was just
  // named, for flush(): one per volume, opened by its first copy.
  void note_written(const posix::VolumeWays& ways, const std::string& target) {
    {
      const std::lock_guard lock(mutex_);
      if (devices_.contains(ways.device)) return;
    }
    Descriptor fd(::open(posix::folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info;
    if (!fd || ::fstat(fd.get(), &info) != 0) return;
    const std::lock_guard lock(mutex_);
    devices_.try_emplace(info.st_dev, std::move(fd));
  }

  // Tells apart the file systems a thread's LastFolder may come from.
  static inline std::atomic<std::uint64_t> next_id_{0};
  const std::uint64_t id_;
  // Moves on whenever what a LastFolder holds may have changed.
  std::atomic<std::uint64_t> epoch_{0};

  // The copy run copies on several threads; the maps below are shared by
  // them, the copies themselves are not.
  std::mutex mutex_;
  // What each volume offers, learnt once per volume, and each folder
  // entered so far with its volume's.
  std::unordered_map<dev_t, std::unique_ptr<posix::VolumeWays>> volumes_;
  std::unordered_map<std::string, EnteredFolder> folder_ways_;
  // The entered folders still open, oldest first (unordered_map keeps its
  // elements where they are).
  std::deque<EnteredFolder*> open_folders_;
  // Descriptors held by staged copies, and how many they may hold.
  std::atomic<int> held_descriptors_{0};
  int descriptor_budget_ = 0;
  std::size_t open_folders_kept_ = 0;                 // at most this many in open_folders_
  std::unordered_set<std::string> swept_folders_;     // whose sweep one thread has begun
  // By sweep key: what each sweep removed, where it removed anything (its
  // elements stay where they are, and copies point to them).
  std::unordered_map<std::string, std::vector<struct stat>> left_copies_;
  std::unordered_set<std::string> sweeping_folders_;  // and not yet ended
  std::condition_variable swept_;
  // Folders found to fold letter case, and so everything below them.
  std::vector<std::string> folding_folders_;
  // Since the last flush: the folders this object created (no file in them
  // predates the run), and one open folder per device written to.
  std::unordered_set<std::string> made_folders_;
  std::unordered_map<dev_t, Descriptor> devices_;
  // Where replaced files go on a volume without a usable trash.
  posix::SetAsideFolder set_aside_;
  posix::SourceFolders source_folders_;
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
         posix::looks_unchanged(existing, source_info);
}

}  // namespace tolvane::fsys
