// Whole-tree snapshots for the reliability tests: every file below a folder
// with its bytes, so that "nothing lost, nothing half-written" is one
// comparison; and reproducible file contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tolvane::testing {

// Relative path (written with "/") -> bytes, for every regular file below
// `folder`, hidden ones included.  Empty when the folder does not exist.
using TreeFiles = std::map<std::string, std::string>;
TreeFiles files_below(const std::string& folder);

// Empty when `actual` and `expected` hold the same files with the same
// bytes; otherwise one line per difference, naming paths and sizes only (a
// dump of binary contents helps nobody).
std::string tree_difference(const TreeFiles& actual, const TreeFiles& expected);

// The relative paths below `folder` whose last part starts with ".".
std::vector<std::string> hidden_files_below(const std::string& folder);

// `size` bytes from a fixed generator seeded with `seed`: every byte value
// occurs, so a copy that treats data as text or stops at a zero shows.
std::string random_bytes(std::size_t size, std::uint64_t seed);

// The bytes of the file at `path`; empty when it cannot be read.
std::string read_file(const std::string& path);

// Adds the number of files compared byte for byte to the run's tally, which
// the reliability tests print as "[ figures ]" lines.
void count_compared(std::size_t files);
std::size_t compared_so_far();

}  // namespace tolvane::testing
