// Temporary trees on the real file system, under the system's temp folder.
#include "tests/support/temp_tree.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "fsys/path_separator.h"

namespace tolvane::testing {
namespace {

namespace fs = std::filesystem;

fs::path native(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string unique_root() {
  static std::atomic<unsigned> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path dir = fs::temp_directory_path() /
                 ("tolvane-test-" + std::to_string(now) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  const std::u8string text = dir.u8string();
  std::string root(text.begin(), text.end());
  if (root.back() != fsys::separator) root += fsys::separator;
  return root;
}

}  // namespace

TempTree::TempTree(std::initializer_list<std::string_view> paths) : root_(unique_root()) {
  for (std::string_view p : paths) add(p);
}

TempTree::~TempTree() {
  std::error_code ignored;
  // Restore write permission on anything a test locked, then remove.
  for (auto it = fs::recursive_directory_iterator(native(root_), ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(native(root_), ignored);
}

std::string TempTree::path(std::string_view relative) const {
  std::string result = root_;
  for (char c : relative) result += c == '/' ? fsys::separator : c;
  return result;
}

void TempTree::add(std::string_view relative) {
  if (!relative.empty() && relative.back() == '/') {
    fs::create_directories(native(path(relative)));
  } else {
    write(relative, relative);
  }
}

void TempTree::write(std::string_view relative, std::string_view content) {
  const fs::path file = native(path(relative));
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write test file " + path(relative));
}

std::string TempTree::read(std::string_view relative) const {
  std::ifstream in(native(path(relative)), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file " + path(relative));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tolvane::testing
