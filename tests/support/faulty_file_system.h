// A file system that wraps a real one and fails chosen calls: the Nth
// folder read, copy started, batch flushed, copy named or folder created
// with a given error, every call on a given path, or a folder test that
// answers wrongly; or stops before copies take their names.  The fault tests use it
// to show that one failing operation never stops a run, is always reported,
// and loses nothing.  Safe to call from several threads, as the copy run's
// threads do; the Nth call is then the Nth to arrive.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/forwarding_file_system.h"

namespace tolvane::testing {

// The steps a copy goes through are faults of their own: its start (the
// data written unnamed), its batch's flush, its naming, and the run's
// final flush.
enum class FsOperation {
  read_folder,
  start_copy,
  flush_staged,
  name_copy,
  flush,
  make_folder,
  folder_exists
};
inline constexpr std::size_t fs_operations = 7;

// One planned fault: the `nth` call (1-based) of `operation` fails with
// `error`, or with `nth` 0 every call on `path` (the target for a copy's
// steps); for folder_exists, that call answers the opposite of the truth.
// A flush_staged call is one batch: its fault fails every copy in it; a
// name_copy call is one copy of a batch being named.
struct Fault {
  FsOperation operation;
  std::size_t nth;
  std::error_code error = std::make_error_code(std::errc::io_error);
  std::string path = {};
};

class FaultyFileSystem final : public fsys::ForwardingFileSystem {
 public:
  // `real` must outlive this object.
  explicit FaultyFileSystem(fsys::FileSystem& real, std::vector<Fault> faults = {})
      : ForwardingFileSystem(real), faults_(std::move(faults)) {}

  fsys::FolderContents read_folder(const std::string& folder) override;
  fsys::CopyStart start_copy(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike) override;
  void flush_staged(std::vector<fsys::CopyNaming>& batch) override;
  void name_copies(std::vector<fsys::CopyNaming>& batch) override;
  std::error_code flush() override;
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;

  // How many calls of `operation` were made, and how many faults struck.
  std::size_t calls(FsOperation operation) const;
  std::size_t injected() const;
  // The paths a fault struck, in order (the target for a copy's steps).
  std::vector<std::string> struck() const;

  // Each copy first waits this long, so that copies on several threads
  // overlap.  Set before the run.
  std::chrono::milliseconds copy_delay{0};
  // The most copies under way at once; at the last flush, the copies still
  // under way and those ended.
  struct CopiesSeen {
    int most_at_once = 0;
    int under_way_at_flush = -1;
    int ended_at_flush = -1;
  };
  CopiesSeen copies_seen() const;

  // Called before each name_copies call is passed on, with the targets of
  // the copies it is about to name, on the thread naming them: the run
  // stops there while it runs.  Set before the run.
  std::function<void(const std::vector<std::string>& targets)> before_naming;

 private:
  // The fault planned for this call of `operation`, if any; counts the call.
  const Fault* next_call(FsOperation operation, const std::string& path);
  // A copy has its outcome: failed, finished at its start, or named.
  void ended();
  // The target of a staged copy, which only the wrapped file system knows:
  // kept here by the copy's address from its start to its naming.
  std::string target_of(const fsys::StagedCopy* staged);

  const std::vector<Fault> faults_;
  mutable std::mutex mutex_;  // for the counts and the struck paths
  std::size_t calls_[fs_operations] = {};
  std::unordered_map<const fsys::StagedCopy*, std::string> staged_targets_;
  std::size_t injected_ = 0;
  std::vector<std::string> struck_;
  int under_way_ = 0;
  int ended_ = 0;
  CopiesSeen seen_;
};

}  // namespace tolvane::testing
