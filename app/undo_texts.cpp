// Undo's words.  Numbers first, as the user weighs them; a file left is
// always named with where it is, so nothing is lost from sight.  Files are
// counted in 个文件 throughout, folders in 个文件夹.
#include "app/undo_texts.h"

#include <algorithm>
#include <vector>

#include "app/user_texts.h"
#include "fsys/path_separator.h"

namespace tolvane::app {
namespace {

// How many files left the closing message names one by one.
constexpr std::size_t left_listed = 5;
// How many folders the question names one by one.
constexpr std::size_t folders_named = 3;

std::string quoted(std::string_view folder) { return "“" + std::string(folder) + "”"; }

std::string count(std::size_t number) { return std::to_string(number); }

// A folder as the question names it: below the destination by its path
// there, otherwise whole; without its closing separator.
std::string folder_name(std::string_view destination, std::string_view folder) {
  if (folder.ends_with(fsys::separator)) folder.remove_suffix(1);
  std::string_view root = destination;
  if (root.ends_with(fsys::separator)) root.remove_suffix(1);
  if (folder.size() > root.size() + 1 && folder.starts_with(root) &&
      folder[root.size()] == fsys::separator) {
    folder.remove_prefix(root.size() + 1);
  }
  return std::string(folder);
}

// The folders `report` removes (or would), the first few by name.
std::string folders_removed(const undo::UndoReport& report) {
  std::vector<std::string> names;
  for (const undo::UndoAction& action : report.actions) {
    if (action.step == undo::UndoStep::remove_folder) {
      names.push_back(folder_name(report.destination, action.path));
    }
  }
  std::string text = count(names.size()) + "个文件夹（";
  for (std::size_t k = 0; k < std::min(names.size(), folders_named); ++k) text += quoted(names[k]);
  if (names.size() > folders_named) text += "等";
  return text + "）";
}

// What undoing `plan` (a dry run) will do, in numbers.
std::string undo_plan(std::string_view folder, const undo::UndoReport& plan) {
  std::string text = "将删除上次拷贝到" + quoted(folder) + "的" +
                     count(plan.count(undo::UndoStep::delete_copy)) + "个文件";
  if (const std::size_t trashed = plan.count(undo::UndoStep::trash_copy); trashed > 0) {
    text += "，把" + count(trashed) + "个文件移入回收站（它们的源文件已不在或已改动）";
  }
  if (const std::size_t back = plan.count(undo::UndoStep::put_back); back > 0) {
    text += "，并把" + count(back) + "个被替换的文件放回原处";
  }
  if (plan.count(undo::UndoStep::remove_folder) > 0) {
    text += "，移除拷贝时新建的" + folders_removed(plan);
  }
  text += "。";
  if (const std::size_t left = plan.left(); left > 0) {
    text += count(left) + "个文件自拷贝后有改动或无法放回，将保留原样。";
  }
  return text;
}

std::string error_in_parentheses(std::error_code why) {
  // The system's words follow ours after a colon: the sentence's own
  // parentheses hold both.
  std::string words = error_in_words(why);
  const std::size_t open = words.find("（");
  if (open != std::string::npos && words.ends_with("）")) {
    words = words.substr(0, open) + "：" + words.substr(open + 3, words.size() - open - 6);
  }
  return "（" + words + "）";
}

}  // namespace

std::string undo_question(std::string_view folder, const undo::UndoReport& plan) {
  return undo_plan(folder, plan) + "要撤销吗？";
}

std::string undo_dry_run_message(std::string_view folder, const undo::UndoReport& plan) {
  std::string text = "预演：";
  text += undo_plan(folder, plan);
  text += "未改动任何文件。";
  return text;
}

std::string undo_plan_line(const undo::UndoAction& action) {
  switch (action.step) {
    case undo::UndoStep::delete_copy:
      return "删除 " + shown_path(action.path);
    case undo::UndoStep::trash_copy:
      return "移入回收站 " + shown_path(action.path) + " 【源文件已不在或已改动】";
    case undo::UndoStep::put_back:
      return "放回 " + shown_path(action.from) + " → " + shown_path(action.path);
    case undo::UndoStep::remove_folder:
      return "移除文件夹 " + shown_path(action.path);
    default:
      return "保留 " + left_line(action);
  }
}

std::string left_line(const undo::UndoAction& action) {
  std::string line = action.path + "：";
  switch (action.step) {
    case undo::UndoStep::changed_copy:
      return line + "拷贝后有改动，已保留";
    case undo::UndoStep::kept_elsewhere:
      if (action.from.empty()) return line + "被替换的文件仍在回收站中，可从回收站还原";
      return line + "被替换的文件仍在" + quoted(action.from);
    case undo::UndoStep::replaced_missing:
      return line + "被替换的文件已不在" + quoted(action.from) + "，无法放回";
    case undo::UndoStep::failed:
      return line + "未能撤销，" + failure_reason(action.error);
    default:
      return line;
  }
}

std::string undo_message(std::string_view folder, const undo::UndoReport& report) {
  std::string text = "已撤销上次拷贝到" + quoted(folder) + "的文件：删除了" +
                     count(report.count(undo::UndoStep::delete_copy)) + "个文件，";
  if (const std::size_t trashed = report.count(undo::UndoStep::trash_copy); trashed > 0) {
    text += "把" + count(trashed) + "个文件移入了回收站（它们的源文件已不在或已改动），";
  }
  text += "放回了" + count(report.count(undo::UndoStep::put_back)) + "个被替换的文件，移除了" +
          count(report.count(undo::UndoStep::remove_folder)) + "个文件夹。";
  const std::size_t left = report.left();
  if (left == 0) return text;
  // Appended piece by piece: GCC 12 at -O3 takes "\n" + a string here for
  // an overlapping copy and refuses it.
  text += '\n';
  text += count(left);
  text += "个文件未撤销：";
  std::size_t listed = 0;
  for (const undo::UndoAction& action : report.actions) {
    if (!undo::left_as_is(action.step)) continue;
    if (listed++ == left_listed) break;
    text += '\n';
    text += left_line(action);
  }
  if (left > left_listed) text += "\n另有" + count(left - left_listed) + "个文件未列出。";
  if (report.can_retry()) text += "\n可以再次撤销，完成未能撤销的部分。";
  return text;
}

std::string nothing_to_undo(std::string_view folder, bool undone_already) {
  if (undone_already) return "没有可撤销的拷贝：上次拷贝到" + quoted(folder) + "已撤销过。";
  return "没有可撤销的拷贝：没有拷贝到" + quoted(folder) + "的记录。";
}

std::string undo_progress_caption(std::size_t done, std::size_t total) {
  return "撤销：" + count(done) + "/" + count(total);
}

std::string unrecorded_notice(std::error_code why) {
  return "无法记录本次拷贝" + error_in_parentheses(why) + "，之后不能撤销。";
}

std::string unrecorded_question(std::error_code why) {
  return unrecorded_notice(why) + "仍要拷贝吗？";
}

std::string record_cut_short(std::error_code why) {
  return "本次拷贝的记录未能写完" + error_in_parentheses(why) + "，之后只能撤销其中一部分。";
}

}  // namespace tolvane::app
