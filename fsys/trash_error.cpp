// The trash error category: errno values, worded as a failure to trash.
#include "fsys/trash_error.h"

#include <cerrno>
#include <string>

namespace tolvane::fsys {
namespace {

class TrashCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "trash"; }
  std::string message(int value) const override {
    if (value == EXDEV) return "no usable trash on that file system";
    return "cannot move to the trash: " + std::generic_category().message(value);
  }
  std::error_condition default_error_condition(int value) const noexcept override {
    return {value, std::generic_category()};
  }
};

}  // namespace

const std::error_category& trash_category() {
  static const TrashCategory category;
  return category;
}

std::error_code trash_error(int cause) { return {cause, trash_category()}; }

}  // namespace tolvane::fsys
