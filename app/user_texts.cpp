// The user's words for every front end.  The scan's unreadable folders and
// the copy run's failed entries share the phrases for the system's errors; a
// refused trash says that the old file is untouched, a refused name which
// character it was.
#include "app/user_texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/undo_texts.h"
#include "fsys/name_refusal.h"
#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/set_aside.h"
#include "fsys/trash_error.h"

namespace tolvane::app {
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

std::string separator_in_quotes() { return std::string("“") + fsys::separator + "”"; }

// The target's own name, a folder's without its trailing separator.
std::string_view target_name(std::string_view path) {
  if (!path.empty() && path.back() == fsys::separator) path.remove_suffix(1);
  return fsys::last_name(path);
}

std::string_view operation_text(copy::CopyOperation operation) {
  switch (operation) {
    case copy::CopyOperation::make_folder:
      return "无法创建文件夹";
    case copy::CopyOperation::copy_file:
      return "无法拷贝";
    case copy::CopyOperation::check_name:
      return "目标名不可用：名称含路径分隔符、为“.”或“..”，或含文件系统不允许的字符";
  }
  return "";
}

}  // namespace

std::string count_line(std::size_t files, std::size_t unreadable, std::size_t left_out) {
  std::string line = "共计读取" + std::to_string(files) + "条";
  // Both, each by its own word, in the room of one; the tooltip names the
  // folders.
  if (unreadable > 0 && left_out > 0) {
    return line + "，未读" + std::to_string(unreadable) + "/略过" + std::to_string(left_out);
  }
  if (unreadable > 0) line += "，" + std::to_string(unreadable) + "个文件夹未读";
  if (left_out > 0) line += "，" + std::to_string(left_out) + "个文件夹略过";
  return line;
}

std::string unreadable_details(std::size_t unreadable,
                               const std::vector<scan::UnreadableFolder>& first) {
  if (unreadable == 0) return {};
  // The first line holds no "<", so a tooltip shows the text as plain text
  // whatever the paths below hold.
  std::string details = std::to_string(unreadable) + "个文件夹无法读取：";
  // Appended piece by piece: GCC 12 at -O3 takes "\n" + a string here for an
  // overlapping copy and refuses it.
  for (const scan::UnreadableFolder& folder : first) {
    details += '\n';
    details += shown_path(folder.folder);
    details += "：";
    details += error_in_words(folder.error);
  }
  if (unreadable > first.size()) {
    details += "\n…另有" + std::to_string(unreadable - first.size()) + "个";
  }
  return details;
}

std::string left_out_details(std::size_t left_out, const std::vector<std::string>& first) {
  if (left_out == 0) return {};
  std::string details = std::to_string(left_out) + "个文件夹因名称含“.”而略过：";
  for (const std::string& folder : first) {
    details += '\n';
    details += shown_path(folder);
  }
  if (left_out > first.size())
    details += "\n…另有" + std::to_string(left_out - first.size()) + "个";
  return details;
}

std::string count_caption(std::size_t files, const scan::ScanResult& result,
                          std::optional<NothingRead> why) {
  std::string line = count_line(files, result.folders_unreadable, result.folders_left_out);
  if (result.stopped) return line + std::string(scan_stopped_words);
  if (!why) return line;
  switch (*why) {
    case NothingRead::empty_text:
      return line + "（未填写文件夹）";
    case NothingRead::ends_in_separator:
      return line + "（末尾不要加" + separator_in_quotes() + "）";
    case NothingRead::root_text:
      // Taking the separator away would leave nothing: "/." names the root.
      return line + "（根目录请写作“" + fsys::separator + ".”）";
    case NothingRead::folder_missing:
      return line + "（文件夹不存在）";
  }
  return line;
}

std::string scan_details(const scan::ScanResult& result) {
  std::string unreadable = unreadable_details(result.folders_unreadable, result.first_unreadable);
  const std::string left_out = left_out_details(result.folders_left_out, result.first_left_out);
  if (unreadable.empty()) return left_out;
  if (!left_out.empty()) unreadable += "\n" + left_out;
  return unreadable;
}

std::string shown_path(std::string_view path) {
  std::string shown;
  shown.reserve(path.size());
  for (const char c : path) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code != 0x7F) {
      shown += c;
      continue;
    }
    // U+2400 + code in UTF-8 (E2 90 80 and on); DEL is U+2421.
    const unsigned picture = code == 0x7F ? 0x21 : code;
    shown += static_cast<char>(0xE2);
    shown += static_cast<char>(0x90);
    shown += static_cast<char>(0x80 + picture);
  }
  return shown;
}

std::optional<std::string> destination_refusal(const DestinationCheck& check) {
  switch (check.problem) {
    case DestinationProblem::none:
    case DestinationProblem::not_writable:
    case DestinationProblem::cannot_be_made:
      // The run says so entry by entry, or the making of the folder does.
      return std::nullopt;
    case DestinationProblem::is_file:
      return destination_is_file(check.shown);
    case DestinationProblem::text:
      break;
  }
  switch (check.text_fault.value_or(TextFault::empty)) {
    case TextFault::empty:
      return "请先填写另存为目录，再按“拷贝”。";
    case TextFault::root:
      return "另存为目录不要只写" + separator_in_quotes() +
             "：请填写要拷贝到的文件夹，再按“拷贝”。";
    case TextFault::ends_in_separator:
      break;
  }
  return "另存为目录末尾不要加" + separator_in_quotes() + "：请去掉后再按“拷贝”。";
}

std::string destination_is_file(std::string_view shown) {
  return "另存为目录“" + std::string(shown) + "”是文件，不是文件夹。";
}

std::string destination_question(std::string_view folder) {
  return "另存为目录“" + std::string(folder) + "”不存在，要新建吗？";
}

std::string destination_not_made(std::string_view folder, std::error_code error) {
  return "无法新建另存为目录“" + std::string(folder) + "”：" + error_in_words(error) + "。";
}

std::string progress_percent_text(std::size_t index, float max) {
  const float divisor = max - 1.0f;
  const float quotient = static_cast<float>(index) / divisor;
  // One entry: Max - 1 is 0, and that entry is the whole run.
  if (divisor == 0.0f || !std::isfinite(quotient)) return "100.00%";

  // std::round rounds half away from zero; the float widens to double
  // exactly, so a quotient such as 1/32 really ends in 5 in the third place.
  const long long hundredths = std::llround(static_cast<double>(quotient) * 10000.0);
  const long long magnitude = std::llabs(hundredths);
  const long long fraction = magnitude % 100;
  std::string text = hundredths < 0 ? "-" : "";
  text += std::to_string(magnitude / 100);
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  text += static_cast<char>('0' + fraction % 10);
  text += '%';
  return text;
}

std::string progress_caption(std::size_t index, float max) {
  std::string caption(progress_prefix);
  caption += progress_percent_text(index, max);
  return caption;
}

std::string error_in_words(std::error_code error) {
  const std::string system_words = error.message();
  for (const auto& [condition, phrase] : phrases) {
    if (error == condition) return std::string(phrase) + "（" + system_words + "）";
  }
  return system_words;
}

std::string failure_reason(std::error_code error) {
  // The old file is all the user may have left: say that it is untouched.
  if (error.category() == fsys::set_aside_category()) {
    return "原有文件无法移入“" + std::string(set_aside_folder_name) + "”文件夹，已原样保留：" +
           error_in_words(std::error_code(error.value(), std::system_category()));
  }
  if (error.category() != fsys::trash_category()) return error_in_words(error);
  const std::string kept = "原有文件无法移入回收站，已原样保留：";
  if (error == std::errc::cross_device_link) return kept + std::string(no_usable_trash);
  return kept + error_in_words(std::error_code(error.value(), std::generic_category()));
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
  const std::string_view name = target_name(target);
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

std::string failure_text(const copy::CopyFailure& failure) {
  // A refused name is its own reason; the system was never asked.
  if (failure.operation == copy::CopyOperation::check_name) {
    if (const std::optional<std::string> what = refused_in_name(failure.target)) {
      return "目标名不可用：名称" + *what + "，文件系统不允许";
    }
    return std::string(operation_text(failure.operation));
  }
  std::string text(operation_text(failure.operation));
  text += "，";
  text += failure_reason(failure.error, failure.target);
  return text;
}

std::string stop_question(std::size_t done, std::size_t total) {
  return "正在拷贝：已完成" + std::to_string(done) + "条，共" + std::to_string(total) +
         "条。要停止吗？已拷贝的文件会保留，可以用“" + std::string(undo_item) + "”撤销。";
}

std::string closing_message(const copy::CopyReport& report, std::size_t folders_unreadable) {
  std::string text = report.stopped ? "已停止：已拷贝" + std::to_string(report.entries) +
                                          "条，余下" + std::to_string(report.left) + "条未拷贝。"
                                    : "已完成" + std::to_string(report.entries) + "条。";
  // The user's own files replaced, and apart from them this program's
  // earlier copies whose numbers went to other sources.
  const std::size_t replaced = report.replaced - report.replaced_earlier_copies;
  const std::size_t set_aside = report.set_aside - report.set_aside_earlier_copies;
  if (replaced > 0) {
    text += "\n其中" + std::to_string(replaced) + "条替换了原有文件，原有文件已移入回收站。";
  }
  if (set_aside > 0) {
    text += "\n其中" + std::to_string(set_aside) + "条替换了原有文件，因" +
            std::string(no_usable_trash) + "，原有文件已按原来的相对路径移入“" +
            shown_path(report.set_aside_folder) + "”。";
  }
  if (report.replaced_earlier_copies > 0) {
    text += "\n其中" + std::to_string(report.replaced_earlier_copies) +
            "条因编号变动替换了之前拷贝的文件（已移入回收站）";
  }
  if (report.set_aside_earlier_copies > 0) {
    text += "\n其中" + std::to_string(report.set_aside_earlier_copies) +
            "条因编号变动替换了之前拷贝的文件（已按原来的相对路径移入“" +
            shown_path(report.set_aside_folder) + "”）";
  }
  if (report.earlier_copies > 0) {
    text += "\n其中" + std::to_string(report.earlier_copies) + "条" +
            std::string(earlier_copy_words) + "。";
  }
  if (report.unchanged > 0) {
    text +=
        "\n其中" + std::to_string(report.unchanged) + "条" + std::string(unchanged_words) + "。";
  }
  if (report.flush_error) {
    text += "\n写入磁盘时出错，拷贝可能不完整：" + failure_reason(report.flush_error);
  }
  // Their files were never listed: the gather is not complete.
  if (folders_unreadable > 0) {
    text += "\n另有" + std::to_string(folders_unreadable) + "个文件夹无法读取，其中的文件未拷贝。";
  }
  if (report.failures.empty()) return text;

  text += "\n其中" + std::to_string(report.failures.size()) + "条失败：";
  const std::size_t listed = std::min(report.failures.size(), failures_listed);
  for (std::size_t k = 0; k < listed; ++k) {
    const copy::CopyFailure& failure = report.failures[k];
    text += "\n";
    text += shown_path(failure.source);
    text += " → ";
    text += shown_path(failure.target);
    text += "：";
    text += failure_text(failure);
  }
  if (report.failures.size() > listed) {
    text += "\n另有" + std::to_string(report.failures.size() - listed) + "条失败未列出。";
  }
  return text;
}

}  // namespace tolvane::app
