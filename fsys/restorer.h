// The file services that keeping a run's journal and undoing a run need
// beyond the copy's own: a file's identity, removing and trashing a file,
// putting a kept file back, and the journal's own small files.  One
// interface, one backend per OS (posix_restorer, win32_restorer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/kept_file.h"
#include "fsys/temporary_names.h"

namespace tolvane::fsys {

// A file that takes appended lines and puts them on the device on demand.
class AppendedFile {
 public:
  virtual ~AppendedFile() = default;
  // Written whole before it returns: a killed process leaves it in the file.
  virtual std::error_code append(const std::string& text) = 0;
  // On the device: a power cut leaves it in the file.
  virtual std::error_code sync() = 0;
};

class Restorer {
 public:
  virtual ~Restorer() = default;

  // The identity of the ordinary file at `path`; nothing when there is none.
  virtual std::optional<FileIdentity> identify(const std::string& path) = 0;
  // Deletes the file at `path` for good.
  virtual std::error_code remove_file(const std::string& path) = 0;
  // Moves the file at `path` to the system's trash and says where it went.
  virtual std::error_code trash(const std::string& path, KeptFile& kept) = 0;
  // Moves the kept file back to `path`, never over a file that stands
  // there (file_exists then), and forgets its trash record.
  virtual std::error_code put_back(const KeptFile& kept, const std::string& path) = 0;
  // Where a file replaced at `path` by a run that started at `since`
  // (nanoseconds since 1970) was kept, found without the run's word for it:
  // the run was cut short between keeping it and saying where.  Nothing
  // when no such file is found (or the system's trash cannot be searched).
  virtual std::optional<KeptFile> find_replaced(const std::string& path, std::int64_t since) = 0;
  // Removes what such a run left of a file's keeping that never finished:
  // a trash record made for `path` since `since` whose file never went in.
  virtual void forget_unfinished_keeping(const std::string& path, std::int64_t since) = 0;
  // Removes `folder` (a folder path, with or without its separator) when it
  // is empty; directory_not_empty otherwise.
  virtual std::error_code remove_empty_folder(const std::string& folder) = 0;

  // Whose temporaries this process writes, as a run's journal keeps it.
  virtual TemporaryWriter this_writer() = 0;
  // Removes from `folder` (ending in the separator) the temporaries that
  // `writer` left there, once it no longer runs: what a killed run left
  // half-written.  Returns how many went; anything else, and any failure,
  // is left alone.
  virtual std::size_t remove_temporaries(const std::string& folder,
                                         const TemporaryWriter& writer) = 0;

  // The journal's files.  `folder` ends in the separator.
  virtual std::error_code make_folders(const std::string& folder) = 0;
  // A new file at `path` (`create`: never one that stands there) or the one
  // that stands there, written at its end.
  virtual std::unique_ptr<AppendedFile> open_appended(const std::string& path, bool create,
                                                      std::error_code& error) = 0;
  // The names of the ordinary files in `folder`, in no order.
  virtual std::vector<std::string> file_names(const std::string& folder) = 0;
  // At most `limit` bytes from the start of the file; nothing when unreadable.
  virtual std::optional<std::string> read_text(const std::string& path, std::size_t limit) = 0;
  // Its last `limit` bytes (all of it when shorter); nothing when unreadable.
  virtual std::optional<std::string> read_end(const std::string& path, std::size_t limit) = 0;
};

// The backend of the platform this program was built for.
std::unique_ptr<Restorer> make_native_restorer();

// Where this user's run journals are kept, ending in the separator:
// $XDG_STATE_HOME/tolvane/journals/ (~/.local/state/...) on POSIX,
// %LOCALAPPDATA%\Tolvane\journals\ on Windows; empty when neither is known.
std::string journal_folder();

}  // namespace tolvane::fsys
