// Tree snapshots read through std::filesystem, independent of the code under
// test.
#include "tests/support/tree_files.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tolvane::testing {
namespace {

namespace fs = std::filesystem;

fs::path native(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

std::size_t compared = 0;

// A file's bytes in one read (the size is known; a character loop would be
// slow for the large files of these tests).
std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

TreeFiles files_below(const std::string& folder) {
  TreeFiles files;
  std::error_code error;
  const fs::path root = native(folder);
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_symlink() || !it->is_regular_file()) continue;
    files[utf8(it->path().lexically_relative(root))] = read_whole(it->path());
  }
  return files;
}

std::string tree_difference(const TreeFiles& actual, const TreeFiles& expected) {
  std::string text;
  for (const auto& [path, bytes] : expected) {
    const auto found = actual.find(path);
    if (found == actual.end()) {
      text += "missing: " + path + "\n";
    } else if (found->second != bytes) {
      text += "differs: " + path + " (" + std::to_string(found->second.size()) + " bytes, " +
              std::to_string(bytes.size()) + " expected)\n";
    }
  }
  for (const auto& [path, bytes] : actual) {
    if (!expected.contains(path)) text += "unexpected: " + path + "\n";
  }
  return text;
}

std::vector<std::string> hidden_files_below(const std::string& folder) {
  std::vector<std::string> hidden;
  std::error_code error;
  const fs::path root = native(folder);
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (utf8(it->path().filename()).starts_with(".")) {
      hidden.push_back(utf8(it->path().lexically_relative(root)));
    }
  }
  return hidden;
}

std::string random_bytes(std::size_t size, std::uint64_t seed) {
  std::string bytes(size, '\0');
  std::uint64_t state = seed * 0x9e3779b97f4a7c15u + 1;
  for (std::size_t i = 0; i < size; i += 8) {
    // xorshift64*: fast, and good enough to make every copy distinguishable.
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    const std::uint64_t word = state * 0x2545f4914f6cdd1du;
    std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, size - i));
  }
  return bytes;
}

std::string read_file(const std::string& path) { return read_whole(native(path)); }

void count_compared(std::size_t files) { compared += files; }
std::size_t compared_so_far() { return compared; }

}  // namespace tolvane::testing
