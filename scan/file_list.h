// The file list a scan fills and a copy run reads: the full path of every
// file found and its folder tag, in the order found.  Built to hold a
// million entries compactly: the paths lie back to back in fixed blocks of
// bytes, and each run of consecutive entries with the same tag stores that
// tag once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::scan {

class FileList {
 public:
  void clear();
  void append(std::string_view path, std::string_view tag);

  std::size_t size() const { return entries_.size(); }
  std::string_view path(std::size_t index) const;
  std::string_view tag(std::size_t index) const;

  // Bytes held, for the memory benchmark.
  std::size_t memory_bytes() const;

 private:
  struct TagRun {
    std::size_t first_entry;
    std::string tag;
  };

  // One entry: where its path starts (block and offset) and how long it is,
  // packed into 64 bits.
  std::vector<std::uint64_t> entries_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t block_used_ = 0;
  std::size_t block_size_ = 0;  // size of the last block
  std::vector<TagRun> tag_runs_;
};

}  // namespace tolvane::scan
