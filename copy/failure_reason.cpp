// A failed entry's reason: the scan's unreadable folders are worded the same
// way, so the phrases live with the file services; a refused trash says that
// the old file is untouched, a refused name which character it was.
#include "copy/failure_reason.h"

#include <cstdio>

#include "fsys/error_words.h"
#include "fsys/path_separator.h"
#include "fsys/set_aside.h"
#include "fsys/trash_error.h"

namespace tolvane::copy {
namespace {

std::string_view last_name(std::string_view path) {
  if (!path.empty() && path.back() == fsys::separator) path.remove_suffix(1);
  return path.substr(path.rfind(fsys::separator) + 1);  // npos + 1 is 0: all of it
}

}  // namespace

std::string failure_reason(std::error_code error) {
  // The old file is all the user may have left: say that it is untouched.
  if (error.category() == fsys::set_aside_category()) {
    return "原有文件无法移入“" + std::string(fsys::set_aside_folder_name) +
           "”文件夹，已原样保留，未拷贝：" +
           fsys::error_in_words(std::error_code(error.value(), std::system_category()));
  }
  if (error.category() != fsys::trash_category()) return fsys::error_in_words(error);
  const std::string kept = "原有文件无法移入回收站，已原样保留，未拷贝：";
  if (error == std::errc::cross_device_link) return kept + "该磁盘上没有可用的回收站";
  return kept + fsys::error_in_words(std::error_code(error.value(), std::generic_category()));
}

std::string failure_reason(std::error_code error, std::string_view target) {
  // exFAT through FUSE answers a name it cannot hold as if it were missing.
  if (fsys::refuses_name(error) || error == std::errc::no_such_file_or_directory) {
    if (const std::optional<std::string> what = refused_in_name(target)) {
      return "目标磁盘不允许名称" + *what + "（" + error.message() + "）";
    }
  }
  return failure_reason(error);
}

std::optional<std::string> refused_in_name(std::string_view target) {
  const std::string_view name = last_name(target);
  for (const char c : name) {
    const auto code = static_cast<unsigned char>(c);
    if (code > 0 && code < 0x20) {
      char text[32];
      std::snprintf(text, sizeof text, "中有控制字符U+%04X", unsigned{code});
      return text;
    }
    if (std::string_view(":?*<>|\"\\").find(c) != std::string_view::npos) {
      return "中有“" + std::string(1, c) + "”";
    }
  }
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  if (name.back() == '.') return "以“.”结尾";
  if (name.back() == ' ') return "以空格结尾";
  return std::nullopt;
}

}  // namespace tolvane::copy
