// Undo's file services on Win32.  The Recycle Bin offers no restore by path
// short of the shell's own folder views, so a file there is named where it
// is rather than put back.
#include "fsys/restorer.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "fsys/trash_error.h"
#include "fsys/win32/handle.h"
#include "fsys/win32/identity.h"
#include "fsys/win32/path.h"
#include "fsys/win32/recycle_bin.h"
#include "fsys/win32/temporaries.h"

namespace tolvane::fsys {
namespace {

using win32::last_error;
using Handle = win32::FileHandle;

class Win32AppendedFile final : public AppendedFile {
 public:
  explicit Win32AppendedFile(HANDLE file) : file_(file) {}
  std::error_code append(const std::string& text) override {
    DWORD written = 0;
    if (!WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
      return last_error();
    }
    return {};
  }
  std::error_code sync() override {
    return FlushFileBuffers(file_.get()) ? std::error_code() : last_error();
  }

 private:
  Handle file_;
};

class Win32Restorer final : public Restorer {
 public:
  std::optional<FileIdentity> identify(const std::string& path) override {
    return win32::identity_at(win32::long_path(path));
  }

  std::error_code remove_file(const std::string& path) override {
    return DeleteFileW(win32::long_path(path).c_str()) ? std::error_code() : last_error();
  }

  std::error_code trash(const std::string& path, KeptFile& kept) override {
    if (const std::error_code error = win32::recycle(win32::long_path(path))) return error;
    kept = {KeptIn::recycle_bin, {}, {}};
    return {};
  }

  // The Recycle Bin is searched by the shell only.
  std::optional<KeptFile> find_replaced(const std::string& /*path*/,
                                        std::int64_t /*since*/) override {
    return std::nullopt;
  }

  // The Recycle Bin takes a file whole, in one call: nothing is left half-kept.
  void forget_unfinished_keeping(const std::string& /*path*/, std::int64_t /*since*/) override {}

  std::error_code put_back(const KeptFile& kept, const std::string& path) override {
    if (kept.where == KeptIn::recycle_bin || kept.file.empty()) {
      return std::make_error_code(std::errc::operation_not_supported);
    }
    // Without MOVEFILE_REPLACE_EXISTING a file that took the name stays.
    if (!MoveFileExW(win32::long_path(kept.file).c_str(), win32::long_path(path).c_str(), 0)) {
      const DWORD error = GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        return std::make_error_code(std::errc::file_exists);
      }
      return {static_cast<int>(error), std::system_category()};
    }
    return {};
  }

  std::error_code remove_empty_folder(const std::string& folder) override {
    if (RemoveDirectoryW(win32::long_path(folder).c_str())) return {};
    if (GetLastError() == ERROR_DIR_NOT_EMPTY) {
      return std::make_error_code(std::errc::directory_not_empty);
    }
    return last_error();
  }

  TemporaryWriter this_writer() override {
    return {static_cast<std::uint32_t>(GetCurrentProcessId()), {}};
  }

  std::size_t remove_temporaries(const std::string& folder,
                                 const TemporaryWriter& writer) override {
    return win32::remove_stale_temporaries(win32::long_path(folder), &writer);
  }

  std::error_code make_folders(const std::string& folder) override {
    for (std::size_t cut = folder.find('\\', 3); cut != std::string::npos;
         cut = folder.find('\\', cut + 1)) {
      if (!CreateDirectoryW(win32::long_path(folder.substr(0, cut)).c_str(), nullptr) &&
          GetLastError() != ERROR_ALREADY_EXISTS) {
        return last_error();
      }
    }
    return {};
  }

  std::unique_ptr<AppendedFile> open_appended(const std::string& path, bool create,
                                              std::error_code& error) override {
    const HANDLE file =
        CreateFileW(win32::long_path(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                    create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = last_error();
      return nullptr;
    }
    error = {};
    return std::make_unique<Win32AppendedFile>(file);
  }

  std::vector<std::string> file_names(const std::string& folder) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((win32::long_path(folder) + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      if (std::optional<std::string> name = win32::to_utf8(data.cFileName)) {
        names.push_back(std::move(*name));
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

  std::optional<std::string> read_text(const std::string& path, std::size_t limit) override {
    Handle file(open_to_read(path));
    if (!file) return std::nullopt;
    return read_from(file, limit);
  }

  std::optional<std::string> read_end(const std::string& path, std::size_t limit) override {
    Handle file(open_to_read(path));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return std::nullopt;
    const auto total = static_cast<unsigned long long>(size.QuadPart);
    if (total > limit) {
      LARGE_INTEGER start{};
      start.QuadPart = static_cast<LONGLONG>(total - limit);
      if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return std::nullopt;
    }
    return read_from(file, limit);
  }

 private:
  static HANDLE open_to_read(const std::string& path) {
    return CreateFileW(win32::long_path(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  // At most `limit` bytes from where `file` stands.
  static std::optional<std::string> read_from(const Handle& file, std::size_t limit) {
    std::string text;
    char buffer[65536];
    // No more than asked: the window reads the first lines of every
    // journal at each change of the destination.
    while (text.size() < limit) {
      DWORD got = 0;
      const auto wanted = static_cast<DWORD>(std::min(sizeof buffer, limit - text.size()));
      if (!ReadFile(file.get(), buffer, wanted, &got, nullptr)) return std::nullopt;
      if (got == 0) break;
      text.append(buffer, got);
    }
    return text;
  }
};

}  // namespace

std::unique_ptr<Restorer> make_native_restorer() { return std::make_unique<Win32Restorer>(); }

std::string journal_folder() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  const std::optional<std::string> folder = win32::to_utf8(local);
  if (!folder) return {};
  std::string path = *folder;
  if (path.back() != '\\') path += '\\';
  return path + "Tolvane\\journals\\";
}

}  // namespace tolvane::fsys
