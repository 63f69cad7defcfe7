// Chinese phrases for the failures that reading folders and copying files
// meet most.
#include "fsys/error_words.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace tolvane::fsys {
namespace {

constexpr std::array<std::pair<std::errc, std::string_view>, 14> phrases{{
    {std::errc::no_such_file_or_directory, "找不到文件或文件夹"},
    {std::errc::permission_denied, "没有权限"},
    {std::errc::operation_not_permitted, "不允许此操作"},
    {std::errc::no_space_on_device, "磁盘空间不足"},
    {std::errc::read_only_file_system, "磁盘只读"},
    {std::errc::filename_too_long, "文件名或路径太长"},
    {std::errc::file_exists, "已有同名的文件或文件夹"},
    {std::errc::not_a_directory, "路径中有一项不是文件夹"},
    {std::errc::is_a_directory, "这是一个文件夹"},
    {std::errc::invalid_argument, "无效的文件或路径"},
    {std::errc::io_error, "读写出错"},
    {std::errc::too_many_files_open, "打开的文件太多"},
    {std::errc::file_too_large, "文件太大"},
    {std::errc::device_or_resource_busy, "文件正被占用"},
}};

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

std::string error_in_words(std::error_code error) {
  const std::string system_words = error.message();
  for (const auto& [condition, phrase] : phrases) {
    if (error == condition) return std::string(phrase) + "（" + system_words + "）";
  }
  return system_words;
}

}  // namespace tolvane::fsys
