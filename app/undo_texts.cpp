// Undo's words.  Numbers first, as the user weighs them; a file left is
// always named with where it is, so nothing is lost from sight.
#include "app/undo_texts.h"

#include <algorithm>

#include "app/user_texts.h"

namespace tolvane::app {
namespace {

// How many files left the closing message names one by one.
constexpr std::size_t left_listed = 5;

std::string quoted(std::string_view folder) { return "“" + std::string(folder) + "”"; }

// What undoing `plan` (a dry run) will do, in numbers.
std::string undo_plan(std::string_view folder, const undo::UndoReport& plan) {
  std::string text = "将删除上次拷贝到" + quoted(folder) + "的" +
                     std::to_string(plan.copies_removed()) + "个文件";
  const std::size_t back = plan.count(undo::UndoStep::put_back);
  if (back > 0) text += "，并把" + std::to_string(back) + "个被替换的文件放回原处";
  text += "。";
  if (const std::size_t trashed = plan.count(undo::UndoStep::trash_copy); trashed > 0) {
    text += "其中" + std::to_string(trashed) + "个的源文件已不在或已改动，将移入回收站而不删除。";
  }
  if (const std::size_t left = plan.left(); left > 0) {
    text += std::to_string(left) + "个文件自拷贝后有改动或无法放回，将保留原样。";
  }
  return text;
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

std::string left_line(const undo::UndoAction& action) {
  std::string line = action.path + "：";
  switch (action.step) {
    case undo::UndoStep::changed_copy:
      return line + "拷贝后有改动，已保留";
    case undo::UndoStep::kept_elsewhere:
      if (action.from.empty()) return line + "被替换的文件仍在回收站中，可从回收站还原";
      return line + "被替换的文件仍在" + quoted(action.from);
    case undo::UndoStep::failed:
      return line + "未能撤销，" + failure_reason(action.error);
    default:
      return line;
  }
}

std::string undo_message(std::string_view folder, const undo::UndoReport& report) {
  std::string text = "已撤销上次拷贝到" + quoted(folder) + "的文件：删除了" +
                     std::to_string(report.copies_removed()) + "个文件，放回了" +
                     std::to_string(report.count(undo::UndoStep::put_back)) +
                     "个被替换的文件，移除了" +
                     std::to_string(report.count(undo::UndoStep::remove_folder)) + "个文件夹。";
  if (const std::size_t trashed = report.count(undo::UndoStep::trash_copy); trashed > 0) {
    text += "\n其中" + std::to_string(trashed) + "个的源文件已不在或已改动，已移入回收站。";
  }
  const std::size_t left = report.left();
  if (left == 0) return text;
  // Appended piece by piece: GCC 12 at -O3 takes "\n" + a string here for
  // an overlapping copy and refuses it.
  text += '\n';
  text += std::to_string(left);
  text += "项未撤销：";
  std::size_t listed = 0;
  for (const undo::UndoAction& action : report.actions) {
    if (!undo::left_as_is(action.step)) continue;
    if (listed++ == left_listed) break;
    text += '\n';
    text += left_line(action);
  }
  if (left > left_listed) text += "\n另有" + std::to_string(left - left_listed) + "项未列出。";
  return text;
}

std::string nothing_to_undo(std::string_view folder, bool undone_already) {
  if (undone_already) return "没有可撤销的拷贝：上次拷贝到" + quoted(folder) + "已撤销过。";
  return "没有可撤销的拷贝：没有拷贝到" + quoted(folder) + "的记录。";
}

}  // namespace tolvane::app
