// Named temporary trees for the tests: built from a list of relative paths,
// removed again when the test ends.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace tolvane::testing {

class TempTree {
 public:
  // Each path is relative and written with "/"; one ending in "/" is a
  // folder, any other a file whose content is its own relative path.
  explicit TempTree(std::initializer_list<std::string_view> paths = {});
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The tree's root as a folder path ending in the platform separator.
  const std::string& root() const { return root_; }
  // root() followed by `relative`, its "/" turned into the platform separator.
  std::string path(std::string_view relative) const;

  void add(std::string_view relative);                       // as in the constructor
  void write(std::string_view relative, std::string_view content);  // a file
  std::string read(std::string_view relative) const;         // a file's bytes

 private:
  std::string root_;
};

}  // namespace tolvane::testing
