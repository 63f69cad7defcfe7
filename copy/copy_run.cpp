// The copy run: per entry, folder, running number, progress, then the copy;
// failures are kept and the run goes on; a closing report at the end.
#include "copy/copy_run.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "copy/failure_reason.h"
#include "copy/naming.h"
#include "copy/target_registry.h"
#include "fsys/path_key.h"
#include "scan/folder_walk.h"

namespace tolvane::copy {
namespace {

constexpr std::string_view progress_prefix = "进度：";
constexpr std::string_view flushing_suffix = "，正在写入磁盘…";

// Makes sure each destination folder exists, asking the disk once per folder
// per run however many entries go into it.
class FolderMaker {
 public:
  explicit FolderMaker(fsys::FileSystem& file_system) : file_system_(file_system) {}

  // The error of creating `folder`, or none when it exists now.
  std::error_code ensure(const std::string& folder) {
    auto [known, inserted] = outcome_.try_emplace(fsys::path_key(folder));
    if (inserted && !file_system_.folder_exists(folder)) {
      std::error_code error = file_system_.make_folder(folder);
      // Another program may have made it since the test: the folder is
      // there, which is all this run needs.
      if (error == std::errc::file_exists && file_system_.folder_exists(folder)) error.clear();
      known->second = error;
    }
    return known->second;
  }

 private:
  fsys::FileSystem& file_system_;
  std::unordered_map<std::string, std::error_code> outcome_;  // by path key
};

std::string_view operation_text(CopyOperation operation) {
  switch (operation) {
    case CopyOperation::make_folder:
      return "无法创建文件夹";
    case CopyOperation::copy_file:
      return "无法拷贝";
    case CopyOperation::check_name:
      return "目标名不可用：含路径分隔符、“.”或“..”，或文件系统不允许的字符";
  }
  return "";
}

std::error_code unusable_name() { return std::make_error_code(std::errc::invalid_argument); }

}  // namespace

CopyReport copy_folder(const std::string& ipath, fsys::FileSystem& file_system,
                       CopyWindow& window) {
  CopyReport report;
  report.entries = window.entry_count();

  TargetRegistry targets;
  targets.reserve(report.entries);
  for (std::size_t i = 0; i < report.entries; ++i) targets.add_source(window.source_path(i));

  FolderMaker folders(file_system);
  std::string previous_tag;
  std::size_t number = 0;
  for (std::size_t i = 0; i < report.entries; ++i) {
    const std::string source = window.source_path(i);
    const std::string tag = window.folder_tag(i);

    const bool flat = window.flat_mode();
    const std::string folder = destination_folder(ipath, tag, flat);
    // A tag such as ".." would put the per-tag folder outside the root.
    const bool folder_named = flat || tag.empty() || is_single_name(tag);
    const std::error_code folder_error =
        flat || !folder_named ? std::error_code() : folders.ensure(folder);

    number = running_number(i == 0 ? std::nullopt : std::optional<std::string_view>(previous_tag),
                            number, tag);
    previous_tag = tag;

    std::string caption(progress_prefix);
    caption += progress_percent_text(i, window.progress_max());
    window.set_progress(static_cast<int>(std::min<std::size_t>(i, INT_MAX)), caption);

    const auto fail = [&](const std::string& path, CopyOperation operation, std::error_code error) {
      report.failures.push_back({i, source, path, operation, error});
      window.entry_done(
          {i, source, path, false, fsys::CopyOutcome::copied, &report.failures.back()});
    };
    if (!folder_named) {
      fail(folder, CopyOperation::check_name, unusable_name());
      continue;
    }
    if (folder_error) {
      fail(folder, CopyOperation::make_folder, folder_error);
      continue;
    }
    const std::string extension = window.extension_text();
    const bool keep_name = naming_mode(extension) == NamingMode::keep_name;
    // The extension text is typed by the user and read now: it may hold a
    // separator or "..", and no copy may land outside its folder.
    const std::string name =
        keep_name ? std::string(file_name_of(source)) : numbered_target("", tag, number, extension);
    const std::string first_choice = folder + name;
    if (!is_single_name(name)) {
      fail(first_choice, CopyOperation::check_name, unusable_name());
      continue;
    }
    const std::string target = keep_name ? targets.claim_kept(folder, name)
                                         : targets.claim_numbered(folder, tag, number, extension);
    fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
    if (const std::error_code error = file_system.copy_file(source, target, outcome)) {
      fail(target, CopyOperation::copy_file, error);
      continue;
    }
    if (outcome == fsys::CopyOutcome::replaced) ++report.replaced;
    if (outcome == fsys::CopyOutcome::unchanged) ++report.unchanged;
    window.entry_done({i, source, target, target != first_choice, outcome, nullptr});
  }

  // "已完成" must mean on the device: the user may unplug it next.
  if (report.entries > 0) {
    std::string caption(progress_prefix);
    caption += progress_percent_text(report.entries - 1, window.progress_max());
    const int last = static_cast<int>(std::min<std::size_t>(report.entries - 1, INT_MAX));
    window.set_progress_now(last, caption + std::string(flushing_suffix));
    report.flush_error = file_system.flush();
    // The message then appears over the run's own last progress line.
    window.set_progress(last, caption);
  }

  window.show_report(closing_message(report), !report.failures.empty() || report.flush_error);
  return report;
}

std::optional<CopyReport> run_copy_command(std::string_view text2, fsys::FileSystem& file_system,
                                           CopyWindow& window) {
  std::optional<CopyReport> report;
  if (const std::optional<std::string> root = scan::folder_path_from_text(text2)) {
    report = copy_folder(*root, file_system, window);
  }
  window.end_copy_command();
  return report;
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

std::string failure_text(const CopyFailure& failure) {
  std::string text(operation_text(failure.operation));
  // A refused name is its own reason; the system was never asked.
  if (failure.operation != CopyOperation::check_name) {
    text += "，";
    text += failure_reason(failure.error);
  }
  return text;
}

std::string closing_message(const CopyReport& report) {
  std::string text = "已完成" + std::to_string(report.entries) + "条。";
  if (report.replaced > 0) {
    text += "\n其中" + std::to_string(report.replaced) + "条替换了原有文件，原文件已移入回收站。";
  }
  if (report.unchanged > 0) {
    text += "\n其中" + std::to_string(report.unchanged) + "条与原有文件相同，未重新拷贝。";
  }
  if (report.flush_error) {
    text += "\n写入磁盘时出错，拷贝可能不完整：" + failure_reason(report.flush_error);
  }
  if (report.failures.empty()) return text;

  text += "\n其中" + std::to_string(report.failures.size()) + "条失败：";
  const std::size_t listed = std::min(report.failures.size(), failures_listed);
  for (std::size_t k = 0; k < listed; ++k) {
    const CopyFailure& failure = report.failures[k];
    text += "\n";
    text += failure.source;
    text += " → ";
    text += failure.target;
    text += "：";
    text += failure_text(failure);
  }
  if (report.failures.size() > listed) {
    text += "\n另有" + std::to_string(report.failures.size() - listed) + "条失败未列出。";
  }
  return text;
}

}  // namespace tolvane::copy
