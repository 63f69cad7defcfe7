// The freedesktop.org trash on POSIX: the home trash, or the one at the top
// of the file's own file system; each trashed file with its .trashinfo
// record, so that a desktop's trash can show and restore it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace tolvane::fsys::posix {

// A file's place in the trash: its name under files/ and its record under
// info/.
struct TrashEntry {
  std::string file;
  std::string info;
};

enum class TrashWay {
  link,  // the file gets a second name in the trash and keeps its own
  move,  // the file is renamed into the trash
};

// Puts the file at `path` into the trash of its file system the given way,
// its record first.  On failure nothing of it is left in the trash and the
// file is where it was; the error is in trash_category().  A file system
// without hard links refuses `link` with EPERM or EMLINK inside that
// category, and `move` may serve instead.
std::error_code put_in_trash(const std::string& path, TrashWay way, TrashEntry& entry);

// Takes a file put in the trash (or set aside) back out of it: a linked one
// is forgotten there, a moved one goes back to `path`.  Best effort, for
// undoing.
void take_out_of_trash(const std::string& path, TrashWay way, const TrashEntry& entry);

// The newest entry that put_in_trash made for a file at `path` (absolute,
// its folder real) at or after `since` (seconds since 1970), looking in the
// trash that put_in_trash would use and under the names it would give;
// nothing when there is none.  For a run cut short after it trashed a file
// but before its journal could say where.
std::optional<TrashEntry> find_trashed(const std::string& path, std::int64_t since);

// True when put_in_trash would find a trash for a file at `path` (which may
// not exist yet, nor its folder): one that stands usable or could be made.
// Looks only; makes nothing.
bool trash_would_take(const std::string& path);

// The copy run's destination root (ending in "/") and the name of the
// folder there that keeps replaced files where the volume has no usable
// trash (set_aside.h); an empty root keeps nothing there.
struct SetAsideFolder {
  std::string root;
  std::string name;
};

// Removes the records put_in_trash made for a file at `path` at or after
// `since` (seconds since 1970) whose file never went in: a run killed
// between the record and the move left them, and a desktop's trash would
// show them as files it cannot restore.
void forget_unfinished_trashing(const std::string& path, std::int64_t since);

// Puts the file at `path` into the set-aside folder of `aside`, under its
// path below the root, the given way; a name taken there is never written
// over, and the next one of set_aside_path() is tried.  Sets entry.file to
// where it went (entry.info empty).  On failure the file is where it was and
// the error is in set_aside_category().
std::error_code put_aside(const std::string& path, TrashWay way, const SetAsideFolder& aside,
                          TrashEntry& entry);

// `path` percent-encoded as a .trashinfo record's Path wants it: every byte
// but ASCII letters, digits and "/-_.~" as %XX.
std::string percent_encoded(const std::string& path);

}  // namespace tolvane::fsys::posix
