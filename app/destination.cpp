// A destination is looked at through the file services before a run, so
// that the window and the command line refuse the same texts and the same
// files, each in its own words (user_texts, command_line_texts).
#include "app/destination.h"

#include "fsys/folder_access.h"
#include "fsys/missing_folders.h"
#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/resolved_path.h"
#include "scan/folder_walk.h"

namespace tolvane::app {
namespace {

// True when the folder that holds `path` (a path without a trailing
// separator) lists a file of that name.
bool is_file(const std::string& path, fsys::FileSystem& file_system) {
  const std::string_view name = fsys::last_name(path);
  for (const fsys::FolderEntry& entry :
       file_system.read_folder(fsys::folder_holding(path)).entries) {
    if (entry.kind == fsys::EntryKind::file && fsys::paths_equal(entry.name, name)) return true;
  }
  return false;
}

}  // namespace

std::optional<TextFault> text_fault(std::string_view text) {
  if (scan::folder_path_from_text(text)) return std::nullopt;
  if (text.empty()) return TextFault::empty;
  if (text.find_first_not_of(fsys::separators) == std::string_view::npos) return TextFault::root;
  return TextFault::ends_in_separator;
}

DestinationCheck check_destination(std::string_view text, fsys::FileSystem& file_system) {
  DestinationCheck check;
  const std::optional<std::string> root = scan::folder_path_from_text(text);
  if (!root) {
    check.problem = DestinationProblem::text;
    check.text_fault = text_fault(text);
    check.shown = text;
    return check;
  }
  check.root = *root;
  check.shown = fsys::absolute_folder(check.root);
  if (file_system.folder_exists(check.root)) return check;
  if (is_file(check.root.substr(0, check.root.size() - 1), file_system)) {
    check.problem = DestinationProblem::is_file;
  } else {
    check.missing = true;
  }
  return check;
}

void destination_writable(DestinationCheck& check, fsys::FileSystem& file_system) {
  if (!check.usable()) return;
  if (!check.missing) {
    if (!fsys::folder_writable(check.root)) check.problem = DestinationProblem::not_writable;
    return;
  }
  const std::optional<std::string> nearest = fsys::nearest_existing_folder(file_system, check.root);
  if (!nearest || !fsys::folder_writable(*nearest)) {
    check.problem = DestinationProblem::cannot_be_made;
    if (nearest) check.nearest = fsys::absolute_folder(*nearest);
  }
}

}  // namespace tolvane::app
