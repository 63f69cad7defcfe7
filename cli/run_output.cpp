// Plan lines, closing lines and JSON objects, all from the entries the copy
// run reports, so that a dry run and a real run are told alike.
#include "cli/run_output.h"

#include <string>

#include "app/user_texts.h"
#include "cli/json_line.h"

namespace tolvane::cli {
namespace {

std::string_view outcome_word(const copy::EntryResult& result) {
  if (result.failure != nullptr) return "failed";
  if (result.earlier_copy) return "earlier_copy";
  switch (result.outcome) {
    case fsys::CopyOutcome::copied:
    // The run gives such an entry its next name and copies it again; it is
    // never reported so.
    case fsys::CopyOutcome::name_held_by_run:
      return "copied";
    case fsys::CopyOutcome::replaced:
      return "replaced";
    case fsys::CopyOutcome::unchanged:
      return "unchanged";
    case fsys::CopyOutcome::set_aside:
      return "set_aside";
  }
  return "";
}

}  // namespace

void RunOutput::scanned(std::size_t listed, std::size_t folders_unreadable,
                        std::size_t folders_left_out) {
  listed_ = listed;
  folders_unreadable_ = folders_unreadable;
  folders_left_out_ = folders_left_out;
  if (!options_.json) {
    out_ << app::count_line(listed, folders_unreadable, folders_left_out) << '\n';
  }
}

void RunOutput::entry(const copy::EntryResult& result) {
  const bool failed = result.failure != nullptr;
  const fsys::CopyOutcome outcome = result.outcome;
  if (failed) {
    ++failed_;
  } else {
    ++(result.earlier_copy                       ? earlier_copies_
       : outcome == fsys::CopyOutcome::replaced  ? replaced_
       : outcome == fsys::CopyOutcome::set_aside ? set_aside_
       : outcome == fsys::CopyOutcome::unchanged ? unchanged_
                                                 : copied_);
    if (result.renumbered) ++renumbered_;
  }

  if (options_.json) {
    JsonLine line;
    line.text("type", "entry").number("index", result.index);
    line.text("source", result.source).text("target", result.target);
    line.text("outcome", outcome_word(result)).boolean("renumbered", result.renumbered);
    if (failed) {
      line.text("reason", app::failure_text(*result.failure));
    } else {
      line.null("reason");
    }
    out_ << line.str() << '\n';
    return;
  }
  if (!options_.dry_run) return;  // a real run tells its failures at the end
  // Each mark in full-width brackets, the reason wherever it will fail.
  out_ << result.source << " → " << result.target;
  if (failed) out_ << " 【将失败：" << app::failure_text(*result.failure) << "】";
  if (result.renumbered) out_ << " 【改号：原名已被占用】";
  if (!failed && outcome == fsys::CopyOutcome::replaced) out_ << " 【替换：原有文件移入回收站】";
  if (!failed && outcome == fsys::CopyOutcome::set_aside) {
    out_ << " 【替换：因" << app::no_usable_trash << "，原有文件移入“" << app::set_aside_folder_name
         << "”文件夹】";
  }
  if (result.earlier_copy) {
    out_ << " 【之前拷贝到该目录的文件，不再拷贝】";
  } else if (!failed && outcome == fsys::CopyOutcome::unchanged) {
    out_ << " 【与原有文件相同，不重新拷贝】";
  }
  out_ << '\n';
}

void RunOutput::finish(const copy::CopyReport& report, std::string_view closing_text,
                       int exit_status) {
  std::string message(closing_text);
  if (options_.dry_run) {
    message = "预演共" + std::to_string(report.entries) + "条：新拷贝" + std::to_string(copied_) +
              "条，替换" + std::to_string(replaced_) + "条（原有文件移入回收站），替换" +
              std::to_string(set_aside_) + "条（原有文件移入“" +
              std::string(app::set_aside_folder_name) + "”文件夹），与原有文件相同" +
              std::to_string(unchanged_) + "条，将失败" + std::to_string(failed_) + "条；其中改号" +
              std::to_string(renumbered_) + "条。";
    // Said only when there are some, as the closing message says it.
    if (earlier_copies_ > 0) {
      message +=
          "另有" + std::to_string(earlier_copies_) + "条是之前拷贝到该目录的文件，不再拷贝。";
    }
    message += "未写入任何文件。";
  }
  if (!options_.json) {
    out_ << message << '\n';
    return;
  }
  JsonLine line;
  line.text("type", "summary").boolean("dry_run", options_.dry_run);
  line.number("listed", listed_).number("folders_unreadable", folders_unreadable_);
  line.number("folders_left_out", folders_left_out_);
  line.number("entries", report.entries).number("copied", copied_);
  line.number("replaced", replaced_).number("set_aside", set_aside_);
  line.number("unchanged", unchanged_).number("earlier_copies", earlier_copies_);
  line.number("renumbered", renumbered_);
  line.number("failed", failed_);
  // A plan writes no journal: only a real run can be undone.
  line.boolean("journal", recorded_ && !options_.dry_run).text("message", message);
  line.number("exit_status", static_cast<std::size_t>(exit_status));
  out_ << line.str() << '\n';
}

}  // namespace tolvane::cli
