// What the kernel has yet to write of a file: the tests' view of whether a
// copy's data is on its device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolvane::testing {

// How many pages of the file at `path` the kernel has yet to write to its
// device; nothing where it cannot tell (cachestat came with Linux 6.5).
std::optional<std::uint64_t> pages_not_on_device(const std::string& path);

}  // namespace tolvane::testing
