// Answers the copy run from the disk as it stands plus what the plan has
// made so far; records instead of writing.
#include "app/plan_file_system.h"

#include <cerrno>

#include "fsys/copy_foresight.h"
#include "fsys/folder_access.h"
#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/quick_check.h"
#include "fsys/trash_error.h"

namespace tolvane::app {
namespace {

std::string without_separator(std::string path) {
  if (path.size() > 1 && path.back() == fsys::separator) path.pop_back();
  return path;
}

// The folder part of `path` (up to and with its last separator; the current
// folder for a relative name) and the name.
std::pair<std::string, std::string> split(const std::string& path) {
  return {fsys::folder_holding(path), std::string(fsys::last_name(path))};
}

}  // namespace

fsys::FolderContents PlanFileSystem::read_folder(const std::string& folder) {
  return disk_.read_folder(folder);
}

std::optional<fsys::EntryKind> PlanFileSystem::kind_at(const std::string& path) {
  const std::string key = fsys::path_key(path);
  if (planned_folders_.contains(key)) return fsys::EntryKind::folder;
  if (planned_files_.contains(key)) return fsys::EntryKind::file;
  const auto [folder, name] = split(path);
  auto [listing, fresh] = listings_.try_emplace(fsys::path_key(folder));
  if (fresh) {
    for (const fsys::FolderEntry& entry : disk_.read_folder(folder).entries) {
      listing->second.emplace(fsys::path_key(entry.name), entry.kind);
    }
  }
  const auto found = listing->second.find(fsys::path_key(name));
  if (found == listing->second.end()) return std::nullopt;
  return found->second;
}

std::error_code PlanFileSystem::copy_whole(const std::string& source, const std::string& target,
                                           fsys::LookAlike look_alike, fsys::CopyOutcome& outcome) {
  outcome = fsys::CopyOutcome::copied;
  if (!folder_exists(split(target).first)) {
    return std::make_error_code(std::errc::no_such_file_or_directory);
  }
  if (kind_at(source) != fsys::EntryKind::file) {
    return std::make_error_code(std::errc::no_such_file_or_directory);
  }
  const auto [folder, name] = split(target);
  if (!fsys::name_fits(folder, name)) return std::make_error_code(std::errc::filename_too_long);
  const std::optional<fsys::EntryKind> there = kind_at(target);
  if (there == fsys::EntryKind::folder) return std::make_error_code(std::errc::is_a_directory);
  const std::string key = fsys::path_key(target);
  if (there == fsys::EntryKind::file && !planned_files_.contains(key) &&
      look_alike == fsys::LookAlike::is_the_copy && fsys::target_looks_unchanged(source, target)) {
    // Left alone without the source being opened.
    outcome = fsys::CopyOutcome::unchanged;
    return {};
  }
  if (const std::error_code error = fsys::source_open_error(source)) return error;
  if (there == fsys::EntryKind::file) {
    outcome = fsys::CopyOutcome::replaced;
    if (!fsys::trash_takes(target)) {
      // Where the backend keeps the old file itself, as a real copy does.
      if (set_aside_root_.empty()) return fsys::trash_error(EXDEV);
      outcome = fsys::CopyOutcome::set_aside;
    }
  }
  planned_files_.insert(key);
  return {};
}

std::error_code PlanFileSystem::move_to_trash(const std::string& /*path*/) {
  // A plan moves nothing; copy_whole's outcome already says what would go.
  return {};
}

std::error_code PlanFileSystem::make_folder(const std::string& folder) {
  const std::string path = without_separator(folder);
  const auto [parent, name] = split(path);
  if (!folder_exists(parent)) return std::make_error_code(std::errc::no_such_file_or_directory);
  if (!fsys::name_fits(parent, name)) return std::make_error_code(std::errc::filename_too_long);
  if (kind_at(path)) return std::make_error_code(std::errc::file_exists);
  planned_folders_.insert(fsys::path_key(path));
  return {};
}

bool PlanFileSystem::folder_exists(const std::string& folder) {
  return planned_folders_.contains(fsys::path_key(without_separator(folder))) ||
         disk_.folder_exists(folder);
}

bool PlanFileSystem::folds_letter_case(const std::string& folder) {
  const fsys::FolderContents contents = disk_.read_folder(folder);
  for (const fsys::FolderEntry& entry : contents.entries) {
    std::string other = entry.name;
    bool changed = false;
    for (char& c : other) {
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
        changed = true;
      } else if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
        changed = true;
      }
    }
    if (!changed) continue;
    bool listed = false;
    for (const fsys::FolderEntry& sibling : contents.entries) listed |= sibling.name == other;
    if (listed) continue;  // both spellings stand: the volume keeps case apart
    // A file found by its folder's path says "not a folder"; a missing name
    // says it is not there.
    const std::string path = folder + other + fsys::separator;
    const std::error_code error = disk_.read_folder(path).error;
    return !error || error == std::errc::not_a_directory;
  }
  return false;
}

}  // namespace tolvane::app
