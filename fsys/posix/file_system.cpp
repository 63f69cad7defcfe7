// The file-system services on POSIX: folders listed with the raw directory
// calls, and copies that only ever appear whole under the target's name.
#include "fsys/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "fsys/path_split.h"
#include "fsys/posix/copy.h"
#include "fsys/posix/descriptor.h"
#include "fsys/posix/descriptor_budget.h"
#include "fsys/posix/folder_listing.h"
#include "fsys/posix/folder_sweeps.h"
#include "fsys/posix/identity.h"
#include "fsys/posix/letter_case_probe.h"
#include "fsys/posix/reading_open.h"
#include "fsys/posix/round_trip_volumes.h"
#include "fsys/posix/source_folders.h"
#include "fsys/posix/target_folders.h"
#include "fsys/posix/trash.h"
#include "fsys/posix/written_volumes.h"
#include "fsys/trash_error.h"

namespace tolvane::fsys {
namespace {

using posix::Descriptor;
using posix::last_error;

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

// Below this many copies on one volume, flushing each costs less than
// flushing the whole volume.
constexpr std::size_t flush_each_below = 4;

// The copy's size and time are its source's; its number, on a volume that
// keeps numbers, is the staged file's own, which it keeps when it takes its
// name: staging took it while the file was open, so that no path is looked
// up again.
FileIdentity staged_identity(const posix::PosixStagedCopy& staged) {
  FileIdentity identity = posix::identity_of(staged.source_info, false);
  if (staged.file_number != 0) identity.file_id = std::to_string(staged.file_number);
  return identity;
}

class PosixFileSystem final : public FileSystem {
 public:
  PosixFileSystem()
      : budget_(posix::allow_open_files()),
        folders_(static_cast<std::size_t>(budget_.open_folders)) {}

  FolderContents read_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return {{}, invalid_path()};
    return posix::list_folder(folder);
  }
  // A listing shares nothing with other calls.
  bool reads_folders_from_any_thread() const override { return true; }

  CopyStart start_copy(const std::string& source, const std::string& target,
                       LookAlike look_alike) override {
    if (holds_zero_byte(source) || holds_zero_byte(target)) return finished(invalid_path());
    auto staged = std::make_unique<posix::PosixStagedCopy>();
    bool may_exist = true;
    if (const std::error_code error = folders_.enter(target, *staged, may_exist)) {
      return finished(error);
    }
    // The target is looked at once.  A re-run finds most targets to be the
    // source's copy already, and one more look at the source tells that
    // without opening it: opening every source would cost a re-run more
    // than the copying it saves.
    // Both are looked up by name within their open folders where they have
    // one, not by the whole path again.
    const std::string_view source_folder_part = folder_part(source);
    const std::shared_ptr<const Descriptor> source_folder =
        source_folder_part.empty() ? nullptr : source_folders_.folder(source_folder_part);
    const int source_at = source_folder ? source_folder->get() : AT_FDCWD;
    const char* source_name = source.c_str() + (source_folder ? source_folder_part.size() : 0);
    struct stat existing;
    if (may_exist && look_alike == LookAlike::is_the_copy &&
        look_at_target(*staged, target, existing)) {
      struct stat source_seen;
      if (::fstatat(source_at, source_name, &source_seen, 0) == 0 && S_ISREG(source_seen.st_mode) &&
          !posix::same_file(existing, source_seen) &&
          posix::looks_unchanged(existing, source_seen)) {
        CopyStart start = finished({}, CopyOutcome::unchanged);
        start.round_trips = round_trips(*staged, source_at, source_seen.st_dev);
        return start;
      }
    }
    // O_NONBLOCK keeps a FIFO from hanging the open; regular files ignore it.
    Descriptor in(posix::open_for_reading(source_at, source_name,
                                          O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in) return finished(last_error());
    if (::fstat(in.get(), &staged->source_info) != 0) return finished(last_error());
    if (S_ISDIR(staged->source_info.st_mode)) {
      return finished(std::make_error_code(std::errc::is_a_directory));
    }
    if (!S_ISREG(staged->source_info.st_mode)) {
      return finished(std::make_error_code(std::errc::invalid_argument));
    }
    // Only a folder a copy is written into is swept: a re-run that finds
    // every copy in place reads no folder of the destination but its own
    // (folds_letter_case).
    if (may_exist) sweep_once(*staged);
    staged->target = target;
    staged->look_alike = look_alike;
    staged->set_aside = &set_aside_;
    // Each staged copy may hold a descriptor until its batch is named; past
    // the budget, copies are flushed on their own and hold none.
    const bool hold = held_descriptors_.fetch_add(1) < budget_.staged_copies;
    if (hold) {
      staged->held = &held_descriptors_;
    } else {
      held_descriptors_.fetch_sub(1);
    }
    if (const std::error_code error = posix::stage(in.get(), *staged, hold)) return finished(error);
    CopyStart start;
    start.round_trips = round_trips(*staged, in.get(), staged->source_info.st_dev);
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
        written_.note(*staged->ways, staged->target);
      }
      naming.staged.reset();
    }
  }

  std::size_t staged_copies_allowed() const override {
    return static_cast<std::size_t>(budget_.staged_copies);
  }

  // The volume is asked with a hidden probe file in `folder`, the
  // destination.  A run killed before it removed its probe left it there,
  // where copies into the tag folders never sweep: the folder is swept now,
  // once it is known how its names compare.
  bool folds_letter_case(const std::string& folder) override {
    if (holds_zero_byte(folder)) return false;
    const bool folds = posix::folder_folds_letter_case(folder);
    if (folds) {
      sweeps_.folds_below(folder);
      folders_.invalidate();
    }
    sweeps_.sweep_once(folder.ends_with('/') ? folder : folder + '/');
    return folds;
  }

  // Told before the run's first copy, while no copy is under way.
  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    set_aside_ = {root, std::string(set_aside_name)};
    // An empty destination holds nothing older than the run, as a folder
    // the run made: a copy into it needs no look at its target first (a flat
    // run into one new folder would look up every name it is about to give).
    if (root.size() > 1 && !holds_zero_byte(root) && posix::folder_is_empty(root)) {
      folders_.made(root.substr(0, root.size() - 1));
    }
  }

  std::error_code move_to_trash(const std::string& path) override {
    if (holds_zero_byte(path)) return trash_error(EINVAL);
    posix::TrashEntry entry;
    return posix::put_in_trash(path, posix::TrashWay::move, entry);
  }

  // The run's end.  What it learnt of its folders is forgotten with the
  // descriptors: before the next run a folder may be removed or replaced,
  // or another program's killed copy may leave something in it to sweep.
  std::error_code flush() override {
    const std::error_code error = written_.flush_all();
    source_folders_.close_all();
    source_volumes_.forget();
    folders_.forget_folders();
    sweeps_.forget();
    return error;
  }

  std::error_code make_folder(const std::string& folder) override {
    if (holds_zero_byte(folder)) return invalid_path();
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return last_error();
    // The copies into the new folder find it open and its volume known
    // here, learnt once, rather than each copy thread that meets the
    // folder first asking.
    folders_.made(path);
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    struct stat info;
    return !holds_zero_byte(folder) && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  bool holds_only_this_run(const std::string& folder) override {
    return folders_.holds_only_this_run(folder);
  }

 private:
  // Whether the copy's target volume, or its source's (`source` open on
  // it, of device `device`), answers each step over a round trip.
  bool round_trips(const posix::PosixStagedCopy& staged, int source, dev_t device) {
    return staged.ways->round_trips || source_volumes_.round_trips(source, device);
  }

  // lstat of `target`, within its open folder where it has one.
  static bool look_at_target(const posix::PosixStagedCopy& staged, const std::string& target,
                             struct stat& existing) {
    if (const std::shared_ptr<const Descriptor> folder = staged.folder.lock()) {
      const char* name = target.c_str() + last_name_start(target);
      return ::fstatat(folder->get(), name, &existing, AT_SYMLINK_NOFOLLOW) == 0;
    }
    return ::lstat(target.c_str(), &existing) == 0;
  }

  // Before the first copy written into the folder of the thread's last
  // target: clears what killed copies left there, once per folder and run,
  // and gives `staged` what that sweep removed.
  void sweep_once(posix::PosixStagedCopy& staged) {
    posix::TargetFolders::ThreadFolder& last = posix::TargetFolders::thread_folder();
    if (!last.swept) {
      last.left_copies = sweeps_.sweep_once(last.folder);
      last.swept = true;
    }
    staged.left_copies = last.left_copies;
  }

  const posix::DescriptorBudget budget_;
  // Descriptors held by staged copies, counted against budget_.
  std::atomic<int> held_descriptors_{0};
  // The copy run copies on several threads; what these hold is shared by
  // them, the copies themselves are not.
  posix::TargetFolders folders_;
  posix::FolderSweeps sweeps_;
  posix::WrittenVolumes written_;
  posix::SourceFolders source_folders_;
  posix::SourceVolumes source_volumes_;
  // Where replaced files go on a volume without a usable trash.
  posix::SetAsideFolder set_aside_;
};

}  // namespace

std::unique_ptr<FileSystem> make_native_file_system() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace tolvane::fsys
