// Resolving a folder text on POSIX: the kernel resolves ".." after following
// a link, so only realpath names the folder that is really read.
#include <stdlib.h>

#include <memory>

#include "fsys/resolved_path.h"

namespace tolvane::fsys {

std::optional<std::string> resolved_folder(const std::string& folder) {
  const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(folder.c_str(), nullptr),
                                                          &::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace tolvane::fsys
