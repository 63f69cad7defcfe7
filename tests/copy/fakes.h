// Fakes for the copy tests: a window holding a file list and the settings a
// copy is asked with, recording what the run shows; the copy command as the
// window runs it through the application session; and an in-memory file
// system that records every call into the same log and can fail its Nth
// copy or folder creation.  A file at a target with the source's content
// counts as unchanged; a different one is replaced, its content kept in
// `trash`.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/session.h"
#include "fsys/file_system.h"
#include "fsys/forwarding_file_system.h"
#include "fsys/path_separator.h"
#include "scan/file_list.h"
#include "tests/support/native_path.h"

namespace tolvane::copy::testing {

using tolvane::testing::native;

using Log = std::vector<std::string>;

// Every call on the run's thread in list order, as the logs here need: the
// fakes below are not meant for several threads.
inline constexpr std::size_t serial = 1;

class FakeRunDisplay : public app::CopyEvents {
 public:
  explicit FakeRunDisplay(Log& log) : log_(log) {}

  // Appends an entry as the scan would, and sets Max to the count as it does.
  void add(std::string_view path, std::string_view tag) {
    list1.push_back(native(path));
    list2.emplace_back(tag);
    max = static_cast<float>(list1.size());
  }

  // List1 and List2, and the settings the copy is asked with.
  std::vector<std::string> list1, list2;
  bool flat = false;
  std::string extension = ".jpg";
  float max = 100;
  std::function<void(int)> on_progress;  // runs after each progress step

  std::vector<std::string> captions;
  std::vector<std::pair<std::string, bool>> reports;  // text, warning

  void progress(int value, std::string_view caption, bool /*at_once*/) override {
    captions.emplace_back(caption);
    log_.push_back("progress " + std::to_string(value) + " " + std::string(caption));
    if (on_progress) on_progress(value);
  }
  // The closing message box, as the window shows it after the run.
  void show_report(std::string_view text, bool warning) {
    reports.emplace_back(text, warning);
    log_.push_back("report");
  }

 private:
  Log& log_;
};

// The copy command as the window's Command2 runs it once the destination
// text is accepted: the lists and settings of `window` handed to the
// application session over `disk` (keeping no journal), the closing message
// shown.  Nothing when `text2` names no folder.
inline std::optional<CopyReport> run_copy_command(std::string_view text2, fsys::FileSystem& disk,
                                                  FakeRunDisplay& window,
                                                  std::size_t workers = default_copy_workers()) {
  app::Session session(std::make_unique<fsys::ForwardingFileSystem>(disk), "");
  scan::FileList files;
  for (std::size_t k = 0; k < window.list1.size(); ++k)
    files.append(window.list1[k], window.list2[k]);
  const app::CopyOutcome outcome = session.copy({.files = files,
                                                 .destination_text = std::string(text2),
                                                 .extension = window.extension,
                                                 .flat = window.flat,
                                                 .folders_made = {},
                                                 .progress_max = window.max,
                                                 .folders_unreadable = 0,
                                                 .workers = workers},
                                                window);
  if (outcome.report) window.show_report(outcome.closing_message, !outcome.verdict.complete);
  return outcome.report;
}

// The same into `destination`, a folder path ending in the separator.
inline CopyReport copy_folder(const std::string& destination, fsys::FileSystem& disk,
                              FakeRunDisplay& window,
                              std::size_t workers = default_copy_workers()) {
  return run_copy_command(std::string_view(destination).substr(0, destination.size() - 1), disk,
                          window, workers)
      .value();
}

class FakeFileSystem : public fsys::WholeCopyFileSystem {
 public:
  explicit FakeFileSystem(Log& log) : log_(log) {}

  void add_folder(std::string_view path) { folders.insert(native(path)); }
  void add_file(std::string_view path, std::string_view content) {
    files[native(path)] = std::string(content);
  }

  std::set<std::string> folders;
  std::map<std::string, std::string> files;
  int fail_copy_at = 0;            // 1-based; 0 fails none
  int fail_make_folder_at = 0;     // 1-based; 0 fails none
  std::vector<std::string> trash;  // contents moved to the trash, in order
  std::error_code flush_error;
  // A volume without a usable trash: a replaced file's content goes to
  // `trash` all the same, and the outcome says it was set aside.
  bool sets_aside = false;
  // Each set_destination_root() call, and the log's length when it came.
  std::vector<std::pair<std::string, std::size_t>> roots_told;

  void set_destination_root(const std::string& root, std::string_view /*set_aside_name*/) override {
    roots_told.emplace_back(root, log_.size());
  }

  fsys::FolderContents read_folder(const std::string&) override {
    return {{}, std::make_error_code(std::errc::function_not_supported)};
  }

  std::error_code copy_whole(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike, fsys::CopyOutcome& outcome) override {
    outcome = fsys::CopyOutcome::copied;
    log_.push_back("copy " + source + " " + target);
    if (++copies_ == fail_copy_at) return std::make_error_code(std::errc::io_error);
    const auto found = files.find(source);
    if (found == files.end() || !folders.contains(parent(target))) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (folders.contains(target + fsys::separator)) {
      return std::make_error_code(std::errc::is_a_directory);
    }
    if (const auto old = files.find(target); old != files.end()) {
      if (look_alike == fsys::LookAlike::is_the_copy && old->second == found->second) {
        outcome = fsys::CopyOutcome::unchanged;
        return {};
      }
      trash.push_back(old->second);
      outcome = sets_aside ? fsys::CopyOutcome::set_aside : fsys::CopyOutcome::replaced;
    }
    files[target] = found->second;
    return {};
  }

  std::error_code move_to_trash(const std::string& path) override {
    log_.push_back("trash " + path);
    const auto found = files.find(path);
    if (found == files.end()) return std::make_error_code(std::errc::no_such_file_or_directory);
    trash.push_back(found->second);
    files.erase(found);
    return {};
  }

  std::error_code flush() override {
    log_.push_back("flush");
    return flush_error;
  }

  std::error_code make_folder(const std::string& folder) override {
    log_.push_back("make_folder " + folder);
    if (++makes_ == fail_make_folder_at) return std::make_error_code(std::errc::permission_denied);
    if (folders.contains(folder) || files.contains(folder.substr(0, folder.size() - 1))) {
      return std::make_error_code(std::errc::file_exists);
    }
    if (!folders.contains(parent(folder))) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folders.insert(folder);
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    log_.push_back("exists " + folder);
    return folders.contains(folder);
  }

 private:
  // The folder holding `path` (a file, or a folder ending in the separator).
  static std::string parent(const std::string& path) {
    const std::size_t end = path.size() > 1 ? path.size() - 2 : 0;
    return path.substr(0, path.rfind(fsys::separator, end) + 1);
  }

  Log& log_;
  int copies_ = 0;
  int makes_ = 0;
};

}  // namespace tolvane::copy::testing
