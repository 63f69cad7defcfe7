// The errors with which a volume refuses a name.
#include "fsys/name_refusal.h"

#include <algorithm>
#include <array>

namespace tolvane::fsys {
namespace {

#ifdef _WIN32
// ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_DIRECTORY; kept as numbers so
// that this file includes no OS header.
constexpr std::array<int, 3> system_name_refusals{123, 161, 267};
#else
constexpr std::array<int, 0> system_name_refusals{};
#endif

}  // namespace

bool refuses_name(std::error_code error) {
  if (error == std::errc::invalid_argument || error == std::errc::illegal_byte_sequence) {
    return true;
  }
  return error.category() == std::system_category() &&
         std::find(system_name_refusals.begin(), system_name_refusals.end(), error.value()) !=
             system_name_refusals.end();
}

}  // namespace tolvane::fsys
