// The file-system services on the wide Win32 API.  Paths enter as UTF-8 and
// reach the API in the \\?\ long form (path.h), so Chinese names and
// paths over 260 characters work.
#include "fsys/file_system.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "fsys/name_order.h"
#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "fsys/quick_check.h"
#include "fsys/replace_steps.h"
#include "fsys/resolved_path.h"
#include "fsys/set_aside.h"
#include "fsys/temporary_names.h"
#include "fsys/trash_error.h"
#include "fsys/win32/entry_kind.h"
#include "fsys/win32/handle.h"
#include "fsys/win32/identity.h"
#include "fsys/win32/path.h"
#include "fsys/win32/quick_check.h"
#include "fsys/win32/recycle_bin.h"
#include "fsys/win32/temporaries.h"

namespace tolvane::fsys {

namespace {

using win32::long_path;

using win32::FindHandle;
using win32::last_error;

using win32::identity_of;
using win32::VolumeFileNumber;

// The folder part of a long-form path, separator included.
std::wstring folder_of(const std::wstring& path) { return path.substr(0, last_name_start(path)); }

// True when the folder `folder` (long form) lies on a network share, where
// each step of a copy is a round trip to the server: a \\server\share path,
// or a drive letter mapped to one.
bool on_network_share(const std::wstring& folder) {
  if (folder.starts_with(L"\\\\?\\UNC\\")) return true;
  // The plain form: the volume calls do not all take \\?\ paths.
  const std::wstring plain = folder.starts_with(L"\\\\?\\") ? folder.substr(4) : folder;
  wchar_t volume[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(plain.c_str(), volume, MAX_PATH)) return false;
  return GetDriveTypeW(volume) == DRIVE_REMOTE;
}

// Creates a fresh copy of `source` under a hidden name of its own in
// `folder`; sets `temporary` to that name and `attributes` to the ones the
// copy took from its source.
std::error_code copy_to_temporary(const std::wstring& source, const std::wstring& folder,
                                  std::wstring& temporary, DWORD& attributes) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = folder + win32::to_utf16(temporary_file_name(GetCurrentProcessId(), counter++));
    // CopyFileExW keeps the source's modification time and attributes.
    if (CopyFileExW(source.c_str(), temporary.c_str(), nullptr, nullptr, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS)) {
      attributes = GetFileAttributesW(temporary.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(temporary.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
      }
      return {};
    }
    const DWORD error = GetLastError();
    // A name left behind by an earlier run that died: take the next one.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return {static_cast<int>(error), std::system_category()};
    }
  }
  return {ERROR_FILE_EXISTS, std::system_category()};
}

// Gives the finished copy its name.  The name is free by now (its old file,
// if any, went to the bin or was set aside), and it must stay so until this
// very move: another program's file that took it meanwhile is never written
// over, as MoveFileExW without MOVEFILE_REPLACE_EXISTING refuses on every
// volume, FAT, exFAT and network shares included.
bool take_name(const std::wstring& temporary, const std::wstring& target) {
  return MoveFileExW(temporary.c_str(), target.c_str(), 0) != 0;
}

// Puts the finished copy's data on the device before it takes any name.
std::error_code flush_to_device(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return last_error();
  std::error_code error;
  if (!FlushFileBuffers(file)) error = last_error();
  CloseHandle(file);
  return error;
}

// Recycles the old file at `target`, a read-only one too: the destination
// tree is this program's output, and a copy of a read-only source is itself
// read-only, so a second run would otherwise fail on every file the first
// one wrote.  One the bin refuses keeps its attributes.
std::error_code recycle_target(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool read_only =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (read_only) SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  const std::error_code error = win32::recycle(target);
  if (read_only && error) SetFileAttributesW(target.c_str(), attributes);
  return error;
}

// The local time as set_aside_path() puts it in a name: "20260105-093000".
std::string local_stamp() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", unsigned{now.wYear},
                unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour},
                unsigned{now.wMinute}, unsigned{now.wSecond});
  return text;
}

// Moves the old file at `target` into the set-aside folder `name` of `root`
// (all three the core's text), under the first free name of set_aside_path(); sets
// `kept` to where it went, absolute, as the core spells it.  A name taken
// there is never written
// over; on failure the file is where it was.  Renaming needs no write
// access, so a read-only file goes as it is.
std::error_code set_aside(const std::string& root, std::string_view name, const std::string& target,
                          std::string& kept) {
  // A caller that named no root has nowhere to keep it: the file stays.
  if (root.empty()) return trash_error(EXDEV);
  if (const std::error_code probed = probe_replace_step(ReplaceStep::set_aside)) {
    return set_aside_error(probed);
  }
  const std::string first = set_aside_path(root, name, target);
  // The folders below the root, outermost first; another copy thread may
  // make them at the same time.
  for (std::size_t end = first.find(separator, root.size()); end != std::string::npos;
       end = first.find(separator, end + 1)) {
    if (!CreateDirectoryW(long_path(first.substr(0, end + 1)).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      return set_aside_error(last_error());
    }
  }
  const std::wstring from = long_path(target);
  const std::string stamp = local_stamp();
  constexpr unsigned attempts = 100;
  for (unsigned attempt = 0; attempt <= attempts; ++attempt) {
    kept = attempt == 0 ? first : set_aside_path(root, name, target, stamp, attempt);
    if (MoveFileExW(from.c_str(), long_path(kept).c_str(), 0)) {
      kept = absolute_folder(kept);
      return {};
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
      return set_aside_error({static_cast<int>(error), std::system_category()});
    }
  }
  return set_aside_error({ERROR_ALREADY_EXISTS, std::system_category()});
}

// A copy flushed under its hidden name, waiting for its target's name.
// Dropped unnamed, it removes its temporary.
struct Win32StagedCopy final : StagedCopy {
  Win32StagedCopy(std::wstring temporary_name, std::wstring long_target, std::string target_text)
      : temporary(std::move(temporary_name)),
        to(std::move(long_target)),
        target(std::move(target_text)) {}
  ~Win32StagedCopy() override {
    if (!temporary.empty()) win32::remove_temporary(temporary);
  }
  Win32StagedCopy(const Win32StagedCopy&) = delete;
  Win32StagedCopy& operator=(const Win32StagedCopy&) = delete;

  std::wstring temporary;  // long form; empty once named
  std::wstring to;         // the target, long form
  std::string target;      // the target as the core spells it
};

class Win32FileSystem final : public FileSystem {
 public:
  // A listing shares nothing with other calls.
  bool reads_folders_from_any_thread() const override { return true; }

  FolderContents read_folder(const std::string& folder) override {
    FolderContents contents;
    if (folder.empty()) {
      // Not the current folder: an empty text names no folder at all.
      contents.error = std::make_error_code(std::errc::no_such_file_or_directory);
      return contents;
    }
    std::wstring search = long_path(folder);
    if (search.back() != L'\\') search += L'\\';
    search += L'*';

    WIN32_FIND_DATAW data;
    // Basic info skips the 8.3 short names; masks are matched by our own
    // matcher on the long names only.
    FindHandle find(FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
      // A drive root has no "." or "..", so an empty one has no entry at all.
      if (GetLastError() != ERROR_FILE_NOT_FOUND) contents.error = last_error();
      return contents;
    }
    do {
      // dwReserved0 holds the reparse tag of a reparse point.
      const std::optional<EntryKind> kind =
          win32::listed_kind(data.dwFileAttributes, data.dwReserved0, data.cFileName);
      if (!kind) continue;
      // A name with a lone surrogate has no UTF-8 spelling: no path the
      // core could build would reach it, so it is not offered.
      std::optional<std::string> name = win32::to_utf8(data.cFileName);
      if (!name) continue;
      contents.entries.push_back({std::move(*name), *kind});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
      contents.error = last_error();
      contents.entries.clear();
      return contents;
    }
    std::sort(
        contents.entries.begin(), contents.entries.end(),
        [](const FolderEntry& a, const FolderEntry& b) { return name_before(a.name, b.name); });
    return contents;
  }

  // Each copy is written under a hidden name of its own and flushed there
  // (start_copy); only then does it take its name (name_copies), after the
  // run's journal has noted the name it is about to take.  A replaced file
  // goes to the Recycle Bin, or where the volume has none to the set-aside
  // folder, just before the copy is moved to its name: both take a file only
  // by moving it, so for that instant the target's name is free, while the
  // old content is in the bin or in that folder.
  CopyStart start_copy(const std::string& source, const std::string& target,
                       LookAlike look_alike) override {
    CopyStart start;
    const std::wstring from = long_path(source);
    const std::wstring to = long_path(target);
    const std::optional<VolumeFileNumber> source_identity = identity_of(from);
    if (!source_identity) {
      start.error = last_error();
      return start;
    }
    if (identity_of(to) == source_identity) {
      // Copying a file onto itself would replace it with its own copy at
      // best; refuse, the source is never touched.
      start.error = std::make_error_code(std::errc::invalid_argument);
      return start;
    }
    if (const std::optional<WIN32_FILE_ATTRIBUTE_DATA> existing = win32::file_data(to)) {
      const std::optional<WIN32_FILE_ATTRIBUTE_DATA> original = win32::file_data(from);
      if (!original) {
        start.error = last_error();
        return start;
      }
      if (look_alike == LookAlike::is_the_copy && win32::looks_unchanged(*existing, *original)) {
        start.outcome = CopyOutcome::unchanged;
        start.round_trips = round_trips(from, to);
        return start;
      }
      if (existing->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        start.error = std::make_error_code(std::errc::is_a_directory);
        return start;
      }
      if ((start.error = probe_replace_step(ReplaceStep::write_new_content))) return start;
    }

    const std::wstring folder = folder_of(to);
    // The first write into a folder clears what killed copies left there.
    bool first_write = false;
    {
      const std::lock_guard lock(mutex_);
      first_write = swept_folders_.insert(folder).second;
    }
    // Another thread may copy into the folder meanwhile: its temporaries
    // carry this process's id, which the sweep never removes.
    if (first_write) win32::remove_stale_temporaries(folder);
    std::wstring temporary;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if ((start.error = copy_to_temporary(from, folder, temporary, attributes))) return start;
    auto staged = std::make_unique<Win32StagedCopy>(temporary, to, target);
    if ((start.error = flush_to_device(temporary))) return start;
    // The finished copy keeps its source's attributes (read-only, archive)
    // but drops the hidden mark it wore while unfinished: it is the
    // program's output and must show.  Wine also reports a name starting
    // with "." as hidden, so the mark is cleared whatever was read.
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesW(temporary.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_HIDDEN});
    }
    start.identity = win32::identity_at(temporary).value_or(FileIdentity{});
    start.staged = std::move(staged);
    start.round_trips = round_trips(from, to);
    return start;
  }

  // Each copy was flushed when it was staged.
  void flush_staged(std::vector<CopyNaming>& /*batch*/) override {}

  void name_copies(std::vector<CopyNaming>& batch) override {
    for (CopyNaming& naming : batch) {
      if (!naming.staged) continue;
      auto& staged = static_cast<Win32StagedCopy&>(*naming.staged);
      naming.error = take_target(staged, naming.outcome, naming.kept);
      // A copy that took its name leaves no temporary to remove; one that
      // did not is removed with its staged half.
      if (!naming.error) staged.temporary.clear();
      naming.staged.reset();
    }
  }

  // Staged copies hold no open handle.
  std::size_t staged_copies_allowed() const override { return SIZE_MAX; }
  // The copy run's target registry compares names as Windows does.
  bool folds_letter_case(const std::string& /*folder*/) override { return false; }

  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    const std::lock_guard lock(mutex_);
    root_ = root;
    set_aside_name_ = set_aside_name;
  }

  std::error_code move_to_trash(const std::string& path) override {
    return win32::recycle(long_path(path));
  }

  // Each copy was flushed before it took its name.  The run's end: a share
  // may be mapped to another drive letter before the next.
  std::error_code flush() override {
    const std::lock_guard lock(mutex_);
    share_folders_.clear();
    return {};
  }

  std::error_code make_folder(const std::string& folder) override {
    if (!CreateDirectoryW(long_path(folder).c_str(), nullptr)) return last_error();
    return {};
  }

  bool folder_exists(const std::string& folder) override {
    const DWORD attributes = GetFileAttributesW(long_path(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

 private:
  // The root and the set-aside folder's name, as told.
  std::pair<std::string, std::string> destination_root() {
    const std::lock_guard lock(mutex_);
    return {root_, set_aside_name_};
  }

  // Moves the staged copy to its name, the old file at the name first to the
  // Recycle Bin or the set-aside folder; says where that file went.
  std::error_code take_target(const Win32StagedCopy& staged, CopyOutcome& outcome,
                              KeptFile& kept_file) {
    outcome = CopyOutcome::copied;
    const std::optional<WIN32_FILE_ATTRIBUTE_DATA> existing = win32::file_data(staged.to);
    std::string kept;
    if (existing) {
      if (existing->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::make_error_code(std::errc::is_a_directory);
      }
      std::error_code error = recycle_target(staged.to);
      outcome = CopyOutcome::replaced;
      if (error == trash_error(EXDEV)) {
        // No bin takes it here: keep it in sight in the destination instead.
        const auto [root, name] = destination_root();
        error = set_aside(root, name, staged.target, kept);
        outcome = CopyOutcome::set_aside;
      }
      if (error) return error;
    }
    if (const std::error_code probed = probe_replace_step(ReplaceStep::take_target_name)) {
      put_back(kept, staged.to);
      return probed;
    }
    if (!take_name(staged.temporary, staged.to)) {
      const std::error_code error = last_error();
      put_back(kept, staged.to);
      return error;
    }
    if (outcome == CopyOutcome::replaced) kept_file = {KeptIn::recycle_bin, {}, {}};
    if (outcome == CopyOutcome::set_aside) {
      kept_file = {KeptIn::set_aside, std::move(kept), {}};
    }
    return {};
  }

  // Whether the copy from `from` to `to` (long forms) reads or writes a
  // network share; each folder is asked once per run.
  bool round_trips(const std::wstring& from, const std::wstring& to) {
    return on_share(folder_of(to)) || on_share(folder_of(from));
  }
  bool on_share(const std::wstring& folder) {
    {
      const std::lock_guard lock(mutex_);
      if (const auto known = share_folders_.find(folder); known != share_folders_.end()) {
        return known->second;
      }
    }
    const bool answer = on_network_share(folder);
    const std::lock_guard lock(mutex_);
    share_folders_.emplace(folder, answer);
    return answer;
  }

  // The old file set aside at `kept` back at `target`, when it was set aside
  // and its name is still free; otherwise it stays where the user finds it.
  static void put_back(const std::string& kept, const std::wstring& target) {
    if (!kept.empty()) MoveFileExW(long_path(kept).c_str(), target.c_str(), 0);
  }

  std::mutex mutex_;                                // the copy run copies on several threads
  std::unordered_set<std::wstring> swept_folders_;  // folders written into, long form
  // Folders met, long form: on a network share or not.
  std::unordered_map<std::wstring, bool> share_folders_;
  std::string root_;  // the copy run's destination root; empty sets nothing aside
  std::string set_aside_name_;
};

}  // namespace

std::unique_ptr<FileSystem> make_native_file_system() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace tolvane::fsys
