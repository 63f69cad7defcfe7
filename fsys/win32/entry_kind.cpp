#include "fsys/win32/entry_kind.h"

#include <windows.h>

namespace tolvane::fsys::win32 {

std::optional<EntryKind> listed_kind(std::uint32_t attributes, std::uint32_t reparse_tag,
                                     std::wstring_view name) {
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE)) {
    return std::nullopt;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return EntryKind::file;
  if (name == L"." || name == L"..") return std::nullopt;
  // Junctions, mount points and linked folders are name surrogates; a
  // cloud placeholder folder is not, and holds the user's own files.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparse_tag)) {
    return std::nullopt;
  }
  return EntryKind::folder;
}

}  // namespace tolvane::fsys::win32
