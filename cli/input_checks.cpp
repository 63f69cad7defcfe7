// Refuses, before the run, what the window would have refused silently or
// what would fail every entry alike.
#include "cli/input_checks.h"

#include <string_view>

#include "app/user_texts.h"
#include "cli/console.h"
#include "fsys/missing_folders.h"
#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "scan/folder_walk.h"

namespace tolvane::cli {
namespace {

std::string quoted(std::string_view text) { return "“" + std::string(text) + "”"; }

// SOURCE or DEST as the window turns its folder texts into a folder path.
std::optional<std::string> folder_path(std::string_view what, std::string_view text,
                                       std::string& problem) {
  std::optional<std::string> folder = scan::folder_path_from_text(text);
  if (!folder) {
    problem = text.empty()
                  ? std::string(what) + " 为空"
                  : std::string(what) + " " + quoted(text) + " 以路径分隔符结尾；请去掉末尾的" +
                        quoted(std::string(1, fsys::separator));
  }
  return folder;
}

// True when the folder that holds `path` lists a file of that name.
bool is_file(const std::string& path, fsys::FileSystem& file_system) {
  const std::size_t last = path.rfind(fsys::separator);
  const std::string parent =
      last == std::string::npos ? std::string(".") + fsys::separator : path.substr(0, last + 1);
  const std::string name = path.substr(last == std::string::npos ? 0 : last + 1);
  for (const fsys::FolderEntry& entry : file_system.read_folder(parent).entries) {
    if (entry.kind == fsys::EntryKind::file && fsys::paths_equal(entry.name, name)) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> destination_folder(std::string_view text, std::string& problem) {
  return folder_path("DEST", text, problem);
}

std::optional<CheckedFolders> check_inputs(const Options& options, fsys::FileSystem& file_system,
                                           std::string& problem) {
  // The extension ends every new name; a separator in it would put copies
  // outside their folder (the run would refuse each entry).
  if (options.extension.find_first_of(std::string("/") + fsys::separator) != std::string::npos) {
    problem = "--ext " + quoted(options.extension) + " 含路径分隔符";
    return std::nullopt;
  }
  CheckedFolders folders;
  if (auto source = folder_path("SOURCE", options.source, problem)) {
    folders.source = std::move(*source);
  } else {
    return std::nullopt;
  }
  if (const std::error_code error = file_system.read_folder(folders.source).error) {
    problem = "无法读取 SOURCE " + quoted(options.source) + "：" + app::failure_reason(error);
    return std::nullopt;
  }
  if (auto destination = destination_folder(options.destination, problem)) {
    folders.destination = std::move(*destination);
  } else {
    return std::nullopt;
  }
  if (file_system.folder_exists(folders.destination)) {
    if (!folder_writable(folders.destination)) {
      problem = "DEST " + quoted(options.destination) + " 不可写入";
      return std::nullopt;
    }
    return folders;
  }
  if (is_file(options.destination, file_system)) {
    problem = "DEST " + quoted(options.destination) + " 不是文件夹";
    return std::nullopt;
  }
  // A DEST that does not exist yet is made by the run, with the folders
  // above it; a dry run says so beforehand, so both refuse alike what
  // could not be made.
  folders.destination_missing = true;
  const std::optional<std::string> nearest =
      fsys::nearest_existing_folder(file_system, folders.destination);
  if (!nearest || !folder_writable(*nearest)) {
    problem =
        "无法新建 DEST " + quoted(options.destination) + "：" +
        (nearest ? quoted(fsys::absolute_folder(*nearest)) + " 不可写入"
                 : app::failure_reason(std::make_error_code(std::errc::no_such_file_or_directory)));
    return std::nullopt;
  }
  return folders;
}

}  // namespace tolvane::cli
