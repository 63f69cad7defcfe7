// The count line's reasons and the refused destination's message.
#include "form/scan_texts.h"

#include "fsys/path_separator.h"
#include "scan/scan_report.h"

namespace tolvane::form {
namespace {

std::string separator_in_quotes() { return std::string("“") + fsys::separator + "”"; }

}  // namespace

std::optional<NothingRead> nothing_read(std::string_view text1, bool walked,
                                        const scan::ScanResult& result) {
  if (!walked) return text1.empty() ? NothingRead::empty_text : NothingRead::ends_in_separator;
  if (result.start_missing) return NothingRead::folder_missing;
  return std::nullopt;
}

std::string count_caption(std::size_t files, const scan::ScanResult& result,
                          std::optional<NothingRead> why) {
  std::string line = scan::count_line(files, result.folders_unreadable, result.folders_left_out);
  if (!why) return line;
  switch (*why) {
    case NothingRead::empty_text:
      return line + "（未填写文件夹）";
    case NothingRead::ends_in_separator:
      return line + "（末尾不要加" + separator_in_quotes() + "）";
    case NothingRead::folder_missing:
      return line + "（文件夹不存在）";
  }
  return line;
}

std::string scan_details(const scan::ScanResult& result) {
  std::string unreadable =
      scan::unreadable_details(result.folders_unreadable, result.first_unreadable);
  const std::string left_out =
      scan::left_out_details(result.folders_left_out, result.first_left_out);
  if (unreadable.empty()) return left_out;
  if (!left_out.empty()) unreadable += "\n" + left_out;
  return unreadable;
}

std::optional<std::string> destination_refusal(std::string_view text2) {
  if (scan::folder_path_from_text(text2)) return std::nullopt;
  if (text2.empty()) return "请先填写另存为目录(文件夹)，再按“拷贝”。";
  return "另存为目录末尾不要加" + separator_in_quotes() + "：请去掉后再按“拷贝”。";
}

}  // namespace tolvane::form
