// The command line's own words.  Paths in its plain lines are shown with
// their control characters made visible, so that one entry stays one line.
#include "app/command_line_texts.h"

#include <cmath>
#include <cstdio>

#include "app/plan_texts.h"
#include "app/user_texts.h"
#include "copy/copy_run.h"
#include "fsys/path_separator.h"

namespace tolvane::app::command_line {
namespace {

std::string quoted(std::string_view text) { return "“" + std::string(text) + "”"; }

}  // namespace

std::string program_line(std::string_view text) { return "tolvane-cli：" + std::string(text); }

std::string not_with_undo(std::string_view option) {
  return "--undo 不能与 " + std::string(option) + " 同用";
}

std::string usage_error(std::string_view problem) {
  return std::string(problem) + "（用 --help 查看用法）";
}

std::string unknown_option(std::string_view argument) {
  return "未知的选项：" + std::string(argument);
}

std::string extra_argument(std::string_view argument) {
  return "多余的参数：" + std::string(argument);
}

std::string extension_holds_separator(std::string_view extension) {
  return "--ext " + quoted(extension) + " 含路径分隔符";
}

std::string folder_text_refusal(std::string_view what, std::string_view text, TextFault fault) {
  const std::string separator(1, fsys::separator);
  switch (fault) {
    case TextFault::empty:
      return std::string(what) + " 为空";
    case TextFault::root:
      // Taking the separator away would leave nothing: "/." names the root.
      return std::string(what) + " " + quoted(text) + " 是根目录；请写作" + quoted(separator + ".");
    case TextFault::ends_in_separator:
      break;
  }
  return std::string(what) + " " + quoted(text) + " 以路径分隔符结尾；请去掉末尾的" +
         quoted(separator);
}

std::string source_unreadable(std::string_view text, std::error_code error) {
  return "无法读取 SOURCE " + quoted(text) + "：" + failure_reason(error);
}

std::optional<std::string> destination_refusal(std::string_view text,
                                               const DestinationCheck& check) {
  switch (check.problem) {
    case DestinationProblem::none:
      return std::nullopt;
    case DestinationProblem::text:
      return folder_text_refusal("DEST", text, check.text_fault.value_or(TextFault::empty));
    case DestinationProblem::is_file:
      return destination_is_file(check.shown);
    case DestinationProblem::not_writable:
      return "DEST " + quoted(text) + " 不可写入";
    case DestinationProblem::cannot_be_made:
      if (check.nearest.empty()) {
        return destination_not_made(text,
                                    std::make_error_code(std::errc::no_such_file_or_directory));
      }
      return "无法新建 DEST " + quoted(text) + "：" + quoted(check.nearest) + " 不可写入";
  }
  return std::nullopt;
}

std::string destination_not_made(std::string_view text, std::error_code error) {
  return "无法新建 DEST " + quoted(text) + "：" + failure_reason(error);
}

std::string destination_made(std::string_view text, std::string_view shown, bool dry_run) {
  return "DEST " + quoted(text) + " 不存在，" + (dry_run ? "拷贝时将新建：" : "已新建：") +
         shown_path(shown);
}

std::string plan_line(const copy::EntryResult& result) {
  const bool failed = result.failure != nullptr;
  // An earlier copy is written nowhere: its line names it alone.
  if (result.earlier_copy) {
    return shown_path(result.source) + " 【" + std::string(earlier_copy_words) + "】";
  }
  // Each mark in full-width brackets, the reason wherever it will fail.
  std::string line = shown_path(result.source) + " → " + shown_path(result.target);
  if (failed) line += " 【将失败：" + failure_text(*result.failure) + "】";
  if (result.renumbered) line += " 【原名已被占用，改用下一个序号】";
  if (failed) return line;
  if (!result.replaces_copy_of.empty()) {
    line += " 【" + renumbering_mark(result.replaces_copy_of) + "】";
  }
  switch (result.outcome) {
    case fsys::CopyOutcome::replaced:
      line += " 【替换：原有文件移入回收站】";
      break;
    case fsys::CopyOutcome::set_aside:
      line += " 【替换：因" + std::string(no_usable_trash) + "，原有文件移入“" +
              std::string(set_aside_folder_name) + "”文件夹】";
      break;
    case fsys::CopyOutcome::unchanged:
      line += " 【" + std::string(unchanged_words) + "】";
      break;
    case fsys::CopyOutcome::copied:
    case fsys::CopyOutcome::name_held_by_run:
      break;
  }
  return line;
}

std::string plan_summary(const PlanCounts& counts) {
  return "预演" + plan_counts_text(counts) + "未写入任何文件。";
}

std::string progress_line(std::string_view caption, std::size_t index, std::size_t total,
                          double seconds) {
  std::string line(caption);
  line += "  " + std::to_string(index + 1) + "/" + std::to_string(total);
  if (index == 0 || seconds <= 0.0) return line + "  剩余 --:--";
  const double rate = static_cast<double>(index) / seconds;
  const long long left =
      std::llround(static_cast<double>(total > index ? total - index : 0) / rate);
  char text[80];
  std::snprintf(text, sizeof text, "  %.1f 个文件/秒  剩余 %lld:%02lld", rate, left / 60,
                left % 60);
  return line + text;
}

}  // namespace tolvane::app::command_line
