// The plan's rows and counts, taken from the entries the dry run reports.
#include "app/copy_plan.h"

#include "app/user_texts.h"
#include "copy/copy_run.h"

namespace tolvane::app {

PlannedAction planned_action(const copy::EntryResult& result) {
  if (result.failure != nullptr) return PlannedAction::fail;
  if (result.earlier_copy) return PlannedAction::earlier_copy;
  switch (result.outcome) {
    case fsys::CopyOutcome::replaced:
      return PlannedAction::replace;
    case fsys::CopyOutcome::set_aside:
      return PlannedAction::replace_set_aside;
    case fsys::CopyOutcome::unchanged:
      return PlannedAction::unchanged;
    case fsys::CopyOutcome::copied:
    // The run gives such an entry its next name and copies it again; it is
    // never reported so.
    case fsys::CopyOutcome::name_held_by_run:
      break;
  }
  return PlannedAction::new_copy;
}

void PlanCounts::add(const copy::EntryResult& result) {
  const bool earlier = !result.replaces_copy_of.empty();
  switch (planned_action(result)) {
    case PlannedAction::fail:
      ++failed;
      return;
    case PlannedAction::earlier_copy:
      ++earlier_copies;
      break;
    case PlannedAction::replace:
      ++replaced;
      replaced_earlier_copies += earlier;
      break;
    case PlannedAction::replace_set_aside:
      ++set_aside;
      set_aside_earlier_copies += earlier;
      break;
    case PlannedAction::unchanged:
      ++unchanged;
      break;
    case PlannedAction::new_copy:
      ++copied;
      break;
  }
  if (result.renumbered) ++renumbered;
}

void CopyPlan::add(const copy::EntryResult& result, std::string_view root) {
  counts.add(result);
  PlanRow& row = rows.emplace_back();
  row.index = result.index;
  row.source.assign(result.source);
  std::string_view target = result.target;
  if (target.starts_with(root)) target.remove_prefix(root.size());
  row.target.assign(target);
  row.action = planned_action(result);
  row.renumbered = result.renumbered && row.action != PlannedAction::fail;
  if (result.failure != nullptr) {
    row.detail = failure_text(*result.failure);
  } else if (!result.replaces_copy_of.empty()) {
    row.detail.assign(result.replaces_copy_of);
    row.replaces_earlier_copy = true;
  }
  if (!row.plain()) notable.push_back(rows.size() - 1);
}

}  // namespace tolvane::app
