// The file-system services that scanning and copying reach the disk through.
// One interface, one backend per OS (posix_file_system, win32_file_system);
// no OS header is included here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fsys/kept_file.h"

namespace tolvane::fsys {

// What a folder listing says an entry is.  Only ordinary files and folders
// are ever listed: hidden and system entries, devices, FIFOs and sockets are
// left out by the backend.
enum class EntryKind : std::uint8_t { file, folder };

struct FolderEntry {
  std::string name;  // the entry's own name, without its folder
  EntryKind kind;
};

// What copy_file did with a target.
enum class CopyOutcome : std::uint8_t {
  copied,     // the name was free and now holds the copy
  replaced,   // a different file stood there; it went to the trash first
  unchanged,  // the file there has the source's size and modification time
  // A different file stood there and the volume has no usable trash: it was
  // moved into the set-aside folder of the destination root (set_aside.h).
  set_aside,
  // Nothing written: the volume takes the target's name for the name of a
  // copy this same run made (it folds letter case, say), so the entry must
  // take another name.  Only a file system that copies in batches says it.
  name_held_by_run,
};

// Whether a file already at a copy's target with the source's size and
// modification time is taken for the source's copy and left alone (the quick
// check).  Two photos of a burst on a card share both; where the copy run
// knows that the target holds its earlier copy of another source, it says
// so, and such a file is replaced like any other.
enum class LookAlike : std::uint8_t {
  is_the_copy,   // the quick check applies
  another_copy,  // the target holds another source's copy: never left alone for its looks
};

// A copy whose data is written where no name shows it, waiting for its
// target name.  Only the file system that made it knows what it holds;
// destroying one unnamed leaves nothing behind.
class StagedCopy {
 public:
  virtual ~StagedCopy() = default;
};

// What start_copy did: either the whole copy (an outcome, or an error), or
// its first half, `staged`, which name_copies finishes.
struct CopyStart {
  std::error_code error;
  CopyOutcome outcome = CopyOutcome::copied;
  std::unique_ptr<StagedCopy> staged;
  // What the run's journal keeps of the copy: its identity (staged or
  // whole; unknown when the backend does not say) and, for a whole copy
  // that replaced a file, where that file went.
  FileIdentity identity = {};
  KeptFile kept = {};
  // The source or the target lies on a volume where each step of a copy is
  // a round trip to a server (a network share, a FUSE volume): the copies
  // there wait on the server, not on the machine, and a caller keeps more
  // of them in flight and names several at once.
  bool round_trips = false;
};

// One staged copy of a batch handed to name_copies, and what became of it.
struct CopyNaming {
  std::unique_ptr<StagedCopy> staged;
  std::error_code error;
  CopyOutcome outcome = CopyOutcome::copied;
  FileIdentity identity = {};  // the staged copy's, as start_copy said it
  KeptFile kept = {};          // where a file the copy replaced went
};

struct FolderContents {
  // Sorted by name_before() (name_order.h), without "." and "..".
  std::vector<FolderEntry> entries;
  // Set when the folder could not be read (missing, not a folder, access
  // denied); entries is then empty.
  std::error_code error;
};

// The file-system services.  Every call is pure here, so that a wrapper
// that forwards them (the tests' fakes do) fails to build until it forwards
// a call added later; WholeCopyFileSystem below gives the defaults of a
// backend that copies each file in one go.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Reads the ordinary files and folders of `folder` (a folder path ending in
  // the separator).  A link to a file counts as a file; a link to a folder is
  // left out, so a link loop can never be walked.  Never throws.
  virtual FolderContents read_folder(const std::string& folder) = 0;
  // True when read_folder may run on another thread while this object's
  // other calls go on, so that a walk can read folders ahead of its listing.
  virtual bool reads_folders_from_any_thread() const = 0;

  // A copy of `source` at `target`, keeping the source's modification time,
  // made in three steps so that a caller copying many files pays one flush
  // per batch rather than one per file, and no name ever shows data that is
  // not on the device:
  //  - start_copy: a file already at the target with the source's size and
  //    modification time is left as it is (unchanged), unless `look_alike`
  //    says the target holds another source's copy; failures are
  //    reported; otherwise the data is written where no name shows it and
  //    returned `staged`.  A backend that does not stage does the whole
  //    copy here.
  //  - flush_staged: puts the data of a batch of staged copies on the
  //    device.  A copy whose data cannot be flushed gets its error and
  //    loses its staged half: it is never named.
  //  - name_copies: names each flushed copy of a batch in batch order.  A
  //    caller may name several slices of one batch at once, one call per
  //    slice on threads of its own, once the whole batch is flushed.  A
  //    different file at the target is moved to the trash whole before the
  //    copy takes its name (or, where the volume has no usable trash and
  //    the backend keeps such files itself, into the set-aside folder);
  //    when it cannot be, it stays, nothing is written over it, and the
  //    error is in trash_category() (trash_error.h) or set_aside_category()
  //    (set_aside.h).  A file found at the target only now is judged as
  //    start_copy judges one, by the copy's `look_alike`.  A copy that was
  //    not flushed is not named.
  // A reader never sees a half-written file under the target's name.
  virtual CopyStart start_copy(const std::string& source, const std::string& target,
                               LookAlike look_alike) = 0;
  virtual void flush_staged(std::vector<CopyNaming>& batch) = 0;
  virtual void name_copies(std::vector<CopyNaming>& batch) = 0;
  // How many staged copies may wait for their naming at once before each
  // further one costs a flush of its own (a backend's open descriptors are
  // limited): a caller keeps its batches within a third of it, one batch
  // being named while the next is flushed and a third staged.
  virtual std::size_t staged_copies_allowed() const = 0;

  // The three steps for one file: creates or replaces `target` with a copy
  // of `source` and says in `outcome` which it was.
  std::error_code copy_file(const std::string& source, const std::string& target,
                            CopyOutcome& outcome, LookAlike look_alike = LookAlike::is_the_copy);
  std::error_code copy_file(const std::string& source, const std::string& target) {
    CopyOutcome outcome;
    return copy_file(source, target, outcome);
  }

  // True when names in `folder` that differ only in letter case name one
  // file there, as the volume itself shows; the copy run then compares its
  // targets without case.
  virtual bool folds_letter_case(const std::string& folder) = 0;

  // The copy run's destination root (a folder path ending in the separator)
  // and the name of the folder there that keeps replaced files, told once
  // before its first copy: for a backend that keeps them in the destination.
  virtual void set_destination_root(const std::string& root, std::string_view set_aside_name) = 0;

  // Moves the file at `path` into the system's trash (the freedesktop.org
  // trash, the Recycle Bin), from where the user can restore it to `path`.
  // On failure it stays where it was; the error is in trash_category().
  virtual std::error_code move_to_trash(const std::string& path) = 0;

  // Puts every copy named since the last call on its device.  The copy run
  // calls it once, after its last copy and before it reports them done.
  virtual std::error_code flush() = 0;

  // Creates the one folder `folder`; its parent must exist.
  virtual std::error_code make_folder(const std::string& folder) = 0;

  // True when a folder of that path exists (a path ending in the separator).
  virtual bool folder_exists(const std::string& folder) = 0;

  // True when nothing in `folder` (a path ending in the separator) can be
  // older than the current run: the run made it, or found it empty before
  // its first copy.  False when the backend does not know.
  virtual bool holds_only_this_run(const std::string& /*folder*/) { return false; }
};

// A file system that copies each file whole, in one call: no staging, no
// batches, no letter-case folding, no destination of its own to know.
class WholeCopyFileSystem : public FileSystem {
 public:
  // The whole copy, with start_copy's rules for an unchanged target and
  // name_copies' for a different one.
  virtual std::error_code copy_whole(const std::string& source, const std::string& target,
                                     LookAlike look_alike, CopyOutcome& outcome) = 0;

  bool reads_folders_from_any_thread() const override { return false; }
  CopyStart start_copy(const std::string& source, const std::string& target,
                       LookAlike look_alike) override {
    CopyStart start;
    start.error = copy_whole(source, target, look_alike, start.outcome);
    return start;
  }
  void flush_staged(std::vector<CopyNaming>& /*batch*/) override {}
  void name_copies(std::vector<CopyNaming>& /*batch*/) override {}
  std::size_t staged_copies_allowed() const override { return SIZE_MAX; }
  bool folds_letter_case(const std::string& /*folder*/) override { return false; }
  void set_destination_root(const std::string& /*root*/,
                            std::string_view /*set_aside_name*/) override {}
};

// The backend of the platform this program was built for.
std::unique_ptr<FileSystem> make_native_file_system();

}  // namespace tolvane::fsys
