// A copy on POSIX in its two halves: the data written where no name shows
// it, then, once that data is on the device, the target's name given to it
// without ever writing over a file that stands there.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/posix/descriptor.h"
#include "fsys/posix/trash.h"

namespace tolvane::fsys::posix {

// What one volume offers for giving a finished copy its name.  Each way is
// taken to work until the volume first refuses it; the refusal is kept, so
// that later copies go straight to a way that works.
struct VolumeWays {
  std::atomic<bool> unnamed_files{true};      // open(O_TMPFILE)
  std::atomic<bool> no_replace_rename{true};  // renameat2(RENAME_NOREPLACE)
  std::atomic<bool> hard_links{true};         // link(2)
  // A volume where each call is a round trip to a server (round_trip_volumes.h):
  // syncfs may return there before the server has written anything (FUSE),
  // so each copy is flushed on its own by the thread that wrote it, and then
  // closed there, so that the close's round trip is not paid at its naming.
  bool round_trips = false;
  // It keeps its file numbers across mounts, so a copy's number identifies
  // it in the run's journal.
  bool numbers_last = true;
  dev_t device = 0;  // the volume's st_dev, by which a flush finds it
};

// A copy written but not named.  Dropped unnamed, it leaves nothing: an
// unnamed file vanishes with its descriptor, a named temporary is removed.
class PosixStagedCopy final : public StagedCopy {
 public:
  PosixStagedCopy() = default;
  ~PosixStagedCopy() override;
  PosixStagedCopy(const PosixStagedCopy&) = delete;
  PosixStagedCopy& operator=(const PosixStagedCopy&) = delete;

  std::string target;
  // Whether a file found at the target when the copy takes its name may be
  // taken for the source's copy by its size and time.
  LookAlike look_alike = LookAlike::is_the_copy;
  struct stat source_info {};
  Descriptor data;        // the written file, open until it has its name
  std::string temporary;  // its hidden name; empty while unnamed or once renamed
  VolumeWays* ways = nullptr;
  // The target's folder while the file system keeps it open: the file is
  // made there and named there without its path walked again.  Where it is
  // closed meanwhile (it keeps only the folders met last), the paths are
  // used; a staged copy never keeps a folder open by itself.
  std::weak_ptr<const Descriptor> folder;
  bool durable = false;  // its data is on the device
  // The written file's number, taken while it was open, on a volume whose
  // numbers last; 0 when not taken.
  ino_t file_number = 0;
  // Counts this copy among the descriptors staged copies hold, until named.
  std::atomic<int>* held = nullptr;
  // Where a replaced file goes on a volume without a usable trash: the file
  // system's, told before the run's first copy; none keeps it nowhere.
  const SetAsideFolder* set_aside = nullptr;
  // The copies killed runs left unnamed in the target's folder, as the sweep
  // before this run's first copy there found them; null when none.
  const std::vector<struct stat>* left_copies = nullptr;
};

struct Copied {
  std::error_code error;
  CopyOutcome outcome = CopyOutcome::copied;
  KeptFile kept = {};  // where a replaced file went
};

// The first half: writes the source, open as `in` and described by
// `source_info`, into a file in the target's folder that no name shows, by
// the ways `ways` says the volume offers.  Without `hold_descriptor` the
// copy keeps no descriptor open until its naming: it is written under a
// hidden name and flushed on its own, as every copy onto a volume of round
// trips is.
std::error_code stage(int in, PosixStagedCopy& staged, bool hold_descriptor);

// The second half, once the staged data is on the device: gives it the
// target's name.  A name already taken goes the way copy_file describes: an
// unchanged file stays (unless the copy's look_alike says the target holds
// another source's copy), a different one goes to the trash first, and one
// the volume only takes for the target's name (another spelling) is left
// alone with name_held_by_run.
Copied give_name(PosixStagedCopy& staged);

// Rsync's quick check: the file at a target is taken for the source's copy
// when it has the source's size and modification time, that time as the
// target's volume keeps it.
bool looks_unchanged(const struct stat& existing, const struct stat& source);

bool same_file(const struct stat& a, const struct stat& b);

// The folder part of `path`, with its separator.
std::string folder_of(const std::string& path);

}  // namespace tolvane::fsys::posix
