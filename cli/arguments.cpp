// Turns the argument list into Options or a usage message naming the fault.
#include <string_view>

#include "cli/options.h"

namespace tolvane::cli {

ParsedArguments parse_arguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& options = parsed.options;
  std::vector<std::string> positional;
  bool options_ended = false;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string& argument = arguments[k];
    if (options_ended || argument == "-" || !argument.starts_with("-")) {
      positional.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--flat") {
      options.flat = true;
    } else if (argument == "--dry-run") {
      options.dry_run = true;
    } else if (argument == "--json") {
      options.json = true;
    } else if (argument == "--undo") {
      options.undo = true;
    } else if (argument == "--dot-folders") {
      options.dot_folders = true;
    } else if (argument.starts_with("--ext=")) {
      options.extension = argument.substr(6);
    } else if (argument == "--ext") {
      // "--ext --flat" lacks its text; "--ext=--flat" would be one.
      if (k + 1 == arguments.size() || arguments[k + 1].starts_with("--")) {
        parsed.error = "--ext 后缺少扩展名，例如 --ext .png";
        return parsed;
      }
      options.extension = arguments[++k];
    } else {
      parsed.error = "未知的选项：" + argument;
      return parsed;
    }
  }
  if (options.help) return parsed;
  if (options.undo) {
    if (positional.size() != 1) {
      parsed.error = positional.empty() ? "--undo 后缺少 DEST" : "多余的参数：" + positional[1];
    } else {
      options.destination = positional[0];
    }
    return parsed;
  }
  if (positional.empty()) {
    parsed.error = "缺少 SOURCE 和 DEST";
  } else if (positional.size() == 1) {
    parsed.error = "缺少 DEST";
  } else if (positional.size() > 2) {
    parsed.error = "多余的参数：" + positional[2];
  } else {
    options.source = positional[0];
    options.destination = positional[1];
  }
  return parsed;
}

}  // namespace tolvane::cli
