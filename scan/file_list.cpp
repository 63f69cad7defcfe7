// Compact storage for the file list: paths in 1 MiB blocks, tags per run.
#include "scan/file_list.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tolvane::scan {
namespace {

constexpr unsigned offset_bits = 20;  // a block is 1 MiB
constexpr unsigned length_bits = 20;  // no OS allows a path near 1 MiB
constexpr std::size_t block_bytes = std::size_t{1} << offset_bits;
constexpr std::uint64_t field_mask(unsigned bits) { return (std::uint64_t{1} << bits) - 1; }

}  // namespace

void FileList::clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  blocks_.clear();
  block_used_ = 0;
  block_size_ = 0;
  tag_runs_.clear();
  tag_runs_.shrink_to_fit();
}

void FileList::append(std::string_view path, std::string_view tag) {
  if (path.size() >= block_bytes) throw std::length_error("path longer than any file system allows");
  if (blocks_.empty() || block_size_ - block_used_ < path.size()) {
    // Not zeroed: pages of a block that no path has reached yet take no memory.
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block_bytes));
    block_size_ = block_bytes;
    block_used_ = 0;
  }
  const std::uint64_t block = blocks_.size() - 1;
  std::memcpy(blocks_.back().get() + block_used_, path.data(), path.size());
  entries_.push_back(block << (offset_bits + length_bits) |
                     std::uint64_t{block_used_} << length_bits | path.size());
  block_used_ += path.size();
  if (tag_runs_.empty() || tag_runs_.back().tag != tag)
    tag_runs_.push_back(TagRun{entries_.size() - 1, std::string(tag)});
}

std::string_view FileList::path(std::size_t index) const {
  const std::uint64_t packed = entries_.at(index);
  const std::size_t length = packed & field_mask(length_bits);
  const std::size_t offset = (packed >> length_bits) & field_mask(offset_bits);
  const std::size_t block = packed >> (offset_bits + length_bits);
  return {blocks_[block].get() + offset, length};
}

std::string_view FileList::tag(std::size_t index) const {
  if (index >= entries_.size()) throw std::out_of_range("file list index");
  // The last run that starts at or before the entry.
  auto run = std::upper_bound(tag_runs_.begin(), tag_runs_.end(), index,
                              [](std::size_t i, const TagRun& r) { return i < r.first_entry; });
  return std::prev(run)->tag;
}

std::size_t FileList::memory_bytes() const {
  std::size_t bytes = sizeof(*this) + entries_.capacity() * sizeof(std::uint64_t) +
                      blocks_.capacity() * sizeof(blocks_[0]) + blocks_.size() * block_bytes +
                      tag_runs_.capacity() * sizeof(TagRun);
  for (const TagRun& run : tag_runs_) bytes += run.tag.capacity();
  return bytes;
}

}  // namespace tolvane::scan
