// Resolving a folder text on Windows: the system resolves "." and ".." by
// the text alone, against the current folder of the text's drive.
#include <string_view>

#include "fsys/resolved_path.h"
#include "fsys/win32/path.h"

namespace tolvane::fsys {

std::optional<std::string> resolved_folder(const std::string& folder) {
  std::wstring full = win32::long_path(folder);
  // long_path hands the text back unchanged when it cannot resolve it.
  constexpr std::wstring_view verbatim_prefix = L"\\\\?\\";
  if (!full.starts_with(verbatim_prefix)) return std::nullopt;
  return win32::to_utf8(full);
}

std::string absolute_folder(const std::string& folder) {
  // Resolved by the text alone: a folder that does not exist yet resolves too.
  std::wstring full = win32::long_path(folder);
  if (full.starts_with(L"\\\\?\\UNC\\")) {
    full = L"\\" + full.substr(7);
  } else if (full.starts_with(L"\\\\?\\")) {
    full = full.substr(4);
  }
  // A drive's root keeps its separator: "C:" alone names its current folder.
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return win32::to_utf8(full).value_or(folder);
}

}  // namespace tolvane::fsys
