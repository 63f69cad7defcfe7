// A file system that wraps a real one and fails chosen calls: the Nth
// folder read, copy or folder creation with a given error, every call on a
// given path, or a folder test that answers wrongly.  The fault tests use it
// to show that one failing operation never stops a run, is always reported,
// and loses nothing.  Safe to call from several threads, as the copy run's
// threads do; the Nth call is then the Nth to arrive.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "fsys/file_system.h"
#include "tests/support/forwarding_file_system.h"

namespace tolvane::testing {

enum class FsOperation { read_folder, copy_file, make_folder, folder_exists, flush };

// One planned fault: the `nth` call (1-based) of `operation` fails with
// `error`, or with `nth` 0 every call on `path` (the target for copy_file);
// for folder_exists, that call answers the opposite of the truth.
struct Fault {
  FsOperation operation;
  std::size_t nth;
  std::error_code error = std::make_error_code(std::errc::io_error);
  std::string path = {};
};

class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  // `real` must outlive this object.
  explicit FaultyFileSystem(fsys::FileSystem& real, std::vector<Fault> faults = {})
      : ForwardingFileSystem(real), faults_(std::move(faults)) {}

  fsys::FolderContents read_folder(const std::string& folder) override;
  std::error_code copy_file(const std::string& source, const std::string& target,
                            fsys::CopyOutcome& outcome) override;
  using fsys::FileSystem::copy_file;
  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    inner().set_destination_root(root, set_aside_name);
  }
  std::error_code flush() override;
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;

  // How many calls of `operation` were made, and how many faults struck.
  std::size_t calls(FsOperation operation) const;
  std::size_t injected() const;
  // The paths a fault struck, in order (the target for copy_file).
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

 private:
  // The fault planned for this call of `operation`, if any; counts the call.
  const Fault* next_call(FsOperation operation, const std::string& path);

  const std::vector<Fault> faults_;
  mutable std::mutex mutex_;  // for the counts and the struck paths
  std::size_t calls_[5] = {};
  std::size_t injected_ = 0;
  std::vector<std::string> struck_;
  int under_way_ = 0;
  int ended_ = 0;
  CopiesSeen seen_;
};

}  // namespace tolvane::testing
