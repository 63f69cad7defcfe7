// This test program's own operator new and delete, which count: how many
// times it asked for memory (a count of work that a busy machine does not
// blur) and how many bytes it holds (a container's size measured rather
// than taken from its own account).
#pragma once

#include <cstddef>

namespace tolvane::testing {

std::size_t allocations_so_far();
std::size_t bytes_held();

}  // namespace tolvane::testing
