// Temporaries on Windows: a writer is known by its process id alone.
#include "fsys/win32/temporaries.h"

#include <windows.h>

#include <optional>

#include "fsys/win32/handle.h"
#include "fsys/win32/path.h"

namespace tolvane::fsys::win32 {
namespace {

bool process_has_ended(std::uint32_t pid) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  DWORD exit_code = 0;
  const bool ended = GetExitCodeProcess(process, &exit_code) && exit_code != STILL_ACTIVE;
  CloseHandle(process);
  return ended;
}

}  // namespace

std::size_t remove_stale_temporaries(const std::wstring& folder, const TemporaryWriter* writer) {
  WIN32_FIND_DATAW data;
  const std::wstring search = folder + L".tolvane-*.tmp";
  FindHandle find(
      FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) return 0;
  std::size_t removed = 0;
  do {
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    const std::optional<std::string> utf8 = to_utf8(data.cFileName);
    const std::optional<TemporaryName> name = utf8 ? parse_temporary_name(*utf8) : std::nullopt;
    // Names with a boot or clock mark are written on POSIX systems.
    if (!name || name->mark != TemporaryName::Mark::none ||
        (writer != nullptr && !written_by(*name, *writer)) ||
        !is_stale(*name, GetCurrentProcessId(), {}, process_has_ended)) {
      continue;
    }
    const std::wstring path = folder + data.cFileName;
    remove_temporary(path);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) ++removed;
  } while (FindNextFileW(find.get(), &data));
  return removed;
}

void remove_temporary(const std::wstring& temporary) {
  // A copy of a read-only source is read-only itself and would refuse.
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temporary.c_str());
}

}  // namespace tolvane::fsys::win32
