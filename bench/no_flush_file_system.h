// The native file system with flush() doing nothing: the benchmark times a
// copy run without its final flush this way.  The batches still put their
// data on the device before naming it: that is how every copy is made now.
// Never used by the program itself.
#pragma once

#include <memory>
#include <system_error>
#include <utility>

#include "fsys/forwarding_file_system.h"

namespace tolvane::bench {

class NoFlushFileSystem final : public fsys::ForwardingFileSystem {
 public:
  explicit NoFlushFileSystem(std::unique_ptr<fsys::FileSystem> inner)
      : ForwardingFileSystem(std::move(inner)) {}

  std::error_code flush() override { return {}; }
};

}  // namespace tolvane::bench
