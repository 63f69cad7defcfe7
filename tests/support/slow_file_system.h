// The native file system taking its time over each folder read and each
// copy, and counting both, so that a window's test can act while a scan or
// a copy run is under way.  The copy run calls it from several threads.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "fsys/forwarding_file_system.h"

namespace tolvane::testing {

class SlowFileSystem final : public fsys::ForwardingFileSystem {
 public:
  // Set between runs, never during one.
  std::chrono::milliseconds read_delay{0}, copy_delay{0};
  // Whether the walk may read ahead on other threads, as it does over the
  // native file system.
  bool reads_ahead = false;
  // Folders read, and copies written (staged or finished).
  std::atomic<int> folders_read{0}, copies{0};

  bool reads_folders_from_any_thread() const override { return reads_ahead; }
  fsys::FolderContents read_folder(const std::string& folder) override {
    std::this_thread::sleep_for(read_delay);
    ++folders_read;
    return ForwardingFileSystem::read_folder(folder);
  }
  fsys::CopyStart start_copy(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike) override {
    std::this_thread::sleep_for(copy_delay);
    fsys::CopyStart start = ForwardingFileSystem::start_copy(source, target, look_alike);
    ++copies;
    return start;
  }
};

}  // namespace tolvane::testing
