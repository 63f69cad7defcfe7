// An in-memory folder tree for the form's tests: folders and files by path,
// each folder read made as slow as a test wants, copies recorded.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/path_separator.h"
#include "tests/support/native_path.h"

namespace tolvane::form::testing {

class MemoryTree : public fsys::WholeCopyFileSystem {
 public:
  // `paths` relative to root(), written with "/"; one ending in "/" is a folder.
  explicit MemoryTree(std::initializer_list<std::string> paths) {
    for (const std::string& path : paths) add(path);
  }

  static std::string native(std::string_view path) { return tolvane::testing::native(path); }
  // The tree's root as the user types it: no trailing separator.
  static std::string root_text() { return native("R"); }

  void add(const std::string& relative) {
    std::string folder = native("R/");
    std::size_t start = 0;
    while (start < relative.size()) {
      const std::size_t end = relative.find('/', start);
      const bool is_folder = end != std::string::npos;
      const std::string name = relative.substr(start, is_folder ? end - start : std::string::npos);
      auto& entries = folders_[folder];
      bool known = false;
      for (const auto& entry : entries) known = known || entry.name == name;
      if (!known) {
        entries.push_back({name, is_folder ? fsys::EntryKind::folder : fsys::EntryKind::file});
      }
      if (!is_folder) break;
      folder += name + fsys::separator;
      folders_[folder];
      start = end + 1;
    }
  }

  std::chrono::milliseconds read_delay{0}, copy_delay{0};
  int folders_read = 0;
  std::vector<std::string> unreadable;    // folders whose read is denied
  std::string failing_target;             // copies to a target holding this fail
  std::vector<std::string> copies;        // targets, in the order the copies ended
  std::vector<std::string> made_folders;  // in the order they were made
  std::string unmakable;                  // making this folder is denied

  fsys::FolderContents read_folder(const std::string& folder) override {
    ++folders_read;
    std::this_thread::sleep_for(read_delay);
    for (const std::string& denied : unreadable) {
      if (denied == folder) return {{}, std::make_error_code(std::errc::permission_denied)};
    }
    const auto found = folders_.find(folder);
    if (found == folders_.end()) {
      return {{}, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    return {found->second, {}};
  }
  std::error_code copy_whole(const std::string&, const std::string& target, fsys::LookAlike,
                             fsys::CopyOutcome& outcome) override {
    std::this_thread::sleep_for(copy_delay);
    if (!failing_target.empty() && target.find(failing_target) != std::string::npos) {
      return std::make_error_code(std::errc::io_error);
    }
    // A copy run copies on several threads at once.
    const std::lock_guard<std::mutex> one_at_a_time(copies_lock_);
    copies.push_back(target);
    outcome = fsys::CopyOutcome::copied;
    return {};
  }
  std::error_code move_to_trash(const std::string&) override { return {}; }
  std::error_code flush() override { return {}; }
  // As a disk makes one folder: its parent must be there, its name free.
  std::error_code make_folder(const std::string& folder) override {
    const std::lock_guard<std::mutex> one_at_a_time(copies_lock_);
    if (folders_.contains(folder)) return std::make_error_code(std::errc::file_exists);
    if (folder == unmakable) return std::make_error_code(std::errc::permission_denied);
    const std::size_t cut = folder.rfind(fsys::separator, folder.size() - 2);
    const auto parent = folders_.find(folder.substr(0, cut + 1));
    if (cut == std::string::npos || parent == folders_.end()) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    parent->second.push_back(
        {folder.substr(cut + 1, folder.size() - cut - 2), fsys::EntryKind::folder});
    folders_[folder];
    made_folders.push_back(folder);
    return {};
  }
  bool folder_exists(const std::string& folder) override {
    const std::lock_guard<std::mutex> one_at_a_time(copies_lock_);
    return folders_.contains(folder);
  }

 private:
  std::map<std::string, std::vector<fsys::FolderEntry>> folders_;
  std::mutex copies_lock_;
};

}  // namespace tolvane::form::testing
