// The set-aside folder's paths and its error category.
#include "fsys/set_aside.h"

#include "fsys/path_separator.h"
#include "fsys/path_split.h"

namespace tolvane::fsys {
namespace {

class SetAsideCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "set aside"; }
  std::string message(int value) const override { return std::system_category().message(value); }
  std::error_condition default_error_condition(int value) const noexcept override {
    return std::system_category().default_error_condition(value);
  }
};

}  // namespace

std::string set_aside_folder(std::string_view root, std::string_view name) {
  std::string folder(root);
  folder += name;
  folder += separator;
  return folder;
}

std::string set_aside_path(std::string_view root, std::string_view name, std::string_view target,
                           std::string_view stamp, unsigned attempt) {
  std::string_view below = target;
  if (target.size() > root.size() && target.starts_with(root)) {
    below.remove_prefix(root.size());
  } else {
    below = last_name(target);
  }
  std::string path = set_aside_folder(root, name);
  if (stamp.empty()) return path.append(below);

  // The extension stays last so that the kept file still opens as before.
  const std::size_t name_start = last_name_start(below);
  std::size_t dot = below.rfind('.');
  if (dot == std::string_view::npos || dot <= name_start) dot = below.size();
  path.append(below.substr(0, dot));
  path += ' ';
  path.append(stamp);
  if (attempt > 1) {
    // Appended in two steps: GCC 12 at -O3 takes "-" + to_string for an
    // overlapping copy and refuses to build.
    path += '-';
    path += std::to_string(attempt);
  }
  path.append(below.substr(dot));
  return path;
}

const std::error_category& set_aside_category() {
  static const SetAsideCategory category;
  return category;
}

std::error_code set_aside_error(std::error_code system_error) {
  return {system_error.value(), set_aside_category()};
}

}  // namespace tolvane::fsys
