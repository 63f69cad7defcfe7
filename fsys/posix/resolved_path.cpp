// Resolving a folder text on POSIX: the kernel resolves ".." after following
// a link, so only realpath names the folder that is really read.
#include "fsys/resolved_path.h"

#include <errno.h>
#include <stdlib.h>

#include <memory>
#include <vector>

#include "fsys/path_split.h"

namespace tolvane::fsys {

std::optional<std::string> resolved_folder(const std::string& folder) {
  const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(folder.c_str(), nullptr),
                                                          &::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

std::string absolute_folder(const std::string& folder) {
  std::string head = folder;
  while (head.size() > 1 && head.back() == '/') head.pop_back();
  // The names below the nearest folder that resolves, innermost first.
  std::vector<std::string> missing;
  for (;;) {
    if (const std::optional<std::string> resolved = resolved_folder(head.empty() ? "." : head)) {
      std::string path = *resolved == "/" ? "" : *resolved;
      for (auto name = missing.rbegin(); name != missing.rend(); ++name) {
        path += '/';
        path += *name;
      }
      return path.empty() ? "/" : path;
    }
    if (errno != ENOENT || head.empty() || head == "/") break;
    const std::size_t name_start = last_name_start(head);
    missing.push_back(head.substr(name_start));
    // The folder above, without its separator unless it is the root.
    head.resize(name_start <= 1 ? name_start : name_start - 1);
  }
  std::string shown = folder;
  while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  return shown;
}

}  // namespace tolvane::fsys
