// The texts that end a scan.
#include "scan/scan_report.h"

#include "fsys/error_words.h"

namespace tolvane::scan {

std::string count_line(std::size_t files, std::size_t unreadable, std::size_t left_out) {
  std::string line = "共计读取" + std::to_string(files) + "条";
  // Both together in the room of one: the tooltip tells them apart.
  if (unreadable > 0 && left_out > 0) {
    return line + "，未读" + std::to_string(unreadable) + "，略过" + std::to_string(left_out);
  }
  if (unreadable > 0) line += "，" + std::to_string(unreadable) + "个文件夹未读";
  if (left_out > 0) line += "，" + std::to_string(left_out) + "个文件夹略过";
  return line;
}

std::string unreadable_details(std::size_t unreadable, const std::vector<UnreadableFolder>& first) {
  if (unreadable == 0) return {};
  // The first line holds no "<", so a tooltip shows the text as plain text
  // whatever the paths below hold.
  std::string details = std::to_string(unreadable) + "个文件夹无法读取：";
  for (const UnreadableFolder& folder : first) {
    details += "\n" + folder.folder + "：" + fsys::error_in_words(folder.error);
  }
  if (unreadable > first.size()) {
    details += "\n…另有" + std::to_string(unreadable - first.size()) + "个";
  }
  return details;
}

std::string left_out_details(std::size_t left_out, const std::vector<std::string>& first) {
  if (left_out == 0) return {};
  std::string details = std::to_string(left_out) + "个文件夹因名称含“.”而略过：";
  for (const std::string& folder : first) details += "\n" + folder;
  if (left_out > first.size())
    details += "\n…另有" + std::to_string(left_out - first.size()) + "个";
  return details;
}

}  // namespace tolvane::scan
