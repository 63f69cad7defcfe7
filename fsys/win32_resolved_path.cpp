// Resolving a folder text on Windows: the system resolves "." and ".." by
// the text alone, against the current folder of the text's drive.
#include <string_view>

#include "fsys/resolved_path.h"
#include "fsys/win32_path.h"

namespace tolvane::fsys {

std::optional<std::string> resolved_folder(const std::string& folder) {
  std::wstring full = win32::long_path(folder);
  // long_path hands the text back unchanged when it cannot resolve it.
  constexpr std::wstring_view verbatim_prefix = L"\\\\?\\";
  if (!full.starts_with(verbatim_prefix)) return std::nullopt;
  return win32::to_utf8(full);
}

}  // namespace tolvane::fsys
