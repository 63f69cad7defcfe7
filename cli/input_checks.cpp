// Refuses, before the run, what the window would have refused silently or
// what would fail every entry alike.
#include "cli/input_checks.h"

#include <string_view>

#include "app/command_line_texts.h"
#include "app/destination.h"
#include "fsys/path_separator.h"
#include "scan/folder_walk.h"

namespace tolvane::cli {

std::optional<std::string> source_problem(const Options& options, fsys::FileSystem& file_system) {
  // The extension ends every new name; a separator in it would put copies
  // outside their folder (the run would refuse each entry).
  if (options.extension.find_first_of(std::string("/") + fsys::separator) != std::string::npos) {
    return app::command_line::extension_holds_separator(options.extension);
  }
  const std::optional<std::string> source = scan::folder_path_from_text(options.source);
  if (!source) {
    return app::command_line::folder_text_refusal("SOURCE", options.source,
                                                  *app::text_fault(options.source));
  }
  if (const std::error_code error = file_system.read_folder(*source).error) {
    return app::command_line::source_unreadable(options.source, error);
  }
  return std::nullopt;
}

}  // namespace tolvane::cli
