// The plan's words.  Paths are shown with their control characters made
// visible, so that a row stays one line.
#include "app/plan_texts.h"

#include "app/user_texts.h"

namespace tolvane::app {
namespace {

std::string set_aside_folder_quoted() { return "“" + std::string(set_aside_folder_name) + "”"; }

}  // namespace

std::string plan_cell(const PlanRow& row, PlanColumn column) {
  switch (column) {
    case PlanColumn::source:
      return shown_path(row.source);
    case PlanColumn::target:
      return shown_path(row.target);
    case PlanColumn::happening:
      break;
  }
  return planned_happening(row);
}

std::string renumbering_mark(std::string_view earlier_source) {
  return "编号变动：原来是" + shown_path(earlier_source) + "的拷贝";
}

std::string planned_happening(const PlanRow& row) {
  std::string text;
  const auto say = [&text](std::string_view part) {
    if (!text.empty()) text += "；";
    text.append(part);
  };
  if (row.action == PlannedAction::fail) return "将失败：" + row.detail;
  if (row.replaces_earlier_copy) say(renumbering_mark(row.detail));
  if (row.renumbered) say("改用下一个序号");
  switch (row.action) {
    case PlannedAction::new_copy:
      if (text.empty()) say("新拷贝");
      break;
    case PlannedAction::replace:
      say("替换（原有文件移入回收站）");
      break;
    case PlannedAction::replace_set_aside:
      say("替换（原有文件移入" + set_aside_folder_quoted() + "）");
      break;
    case PlannedAction::unchanged:
      say("相同，不拷贝");
      break;
    case PlannedAction::earlier_copy:
      say("之前拷贝到该目录的文件，不再拷贝");
      break;
    case PlannedAction::fail:
      break;
  }
  return text;
}

std::string plan_row_text(const PlanRow& row) {
  std::string text = shown_path(row.source);
  if (!row.target.empty()) text += " → " + shown_path(row.target);
  return text + "：" + planned_happening(row);
}

std::string plan_counts_text(const PlanCounts& counts) {
  std::string parts;
  const auto part = [&parts](std::size_t count, std::string_view before, std::string_view after) {
    if (count == 0) return;
    parts += parts.empty() ? "：" : "，";
    parts.append(before);
    parts += std::to_string(count);
    parts += "条";
    parts.append(after);
  };
  const std::string set_aside_folder = "（原有文件移入" + set_aside_folder_quoted() + "文件夹）";
  part(counts.copied, "新拷贝", "");
  part(counts.replaced - counts.replaced_earlier_copies, "替换", "（原有文件移入回收站）");
  part(counts.set_aside - counts.set_aside_earlier_copies, "替换", set_aside_folder);
  part(counts.replaced_earlier_copies, "编号变动", "（之前拷贝的文件移入回收站）");
  part(counts.set_aside_earlier_copies, "编号变动",
       "（之前拷贝的文件移入" + set_aside_folder_quoted() + "文件夹）");
  part(counts.unchanged, "与原有文件相同", "");
  part(counts.failed, "将失败", "");
  std::string text = "共" + std::to_string(counts.entries) + "条" + parts + "。";
  if (counts.renumbered > 0) {
    text += "其中" + std::to_string(counts.renumbered) + "条原名已被占用，改用下一个序号。";
  }
  // Said only when there are some, as the closing message says it.
  if (counts.earlier_copies > 0) {
    text += "另有" + std::to_string(counts.earlier_copies) + "条" +
            std::string(earlier_copy_words) + "。";
  }
  return text;
}

std::string plan_summary_line(const CopyPlan& plan) {
  std::string text;
  if (plan.destination_missing) {
    text = "另存为目录“" + shown_path(plan.destination) + "”不存在，拷贝时将新建。";
  }
  return text + plan_counts_text(plan.counts);
}

}  // namespace tolvane::app
