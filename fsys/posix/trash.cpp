// The freedesktop.org trash: finding the trash folder of a file's file
// system, reserving a name there by its record, and linking or moving the
// file in.
#include "fsys/posix/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "fsys/path_split.h"
#include "fsys/replace_steps.h"
#include "fsys/set_aside.h"
#include "fsys/trash_error.h"

namespace tolvane::fsys::posix {
namespace {

// Where a trash folder stands and how its records name a file.
struct TrashFolder {
  std::string root;           // ends in "/": holds files/ and info/
  std::string relative_base;  // empty: records hold absolute paths
};

std::string data_home() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    // The reentrant lookup: copies that replace files run on several threads.
    passwd entry;
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr) {
      return {};
    }
    return std::string(found->pw_dir) + "/.local/share";
  }
  return std::string(home) + "/.local/share";
}

std::string parent_of(const std::string& path) {
  const std::string_view folder = folder_part(path);
  // The trash's paths are absolute: above a name in the root, the root.
  if (folder.size() <= 1) return "/";
  return std::string(folder.substr(0, folder.size() - 1));
}

// The device of `path`, or of its nearest existing ancestor.
std::optional<dev_t> device_below(std::string path) {
  for (;;) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) return info.st_dev;
    if (errno != ENOENT || path == "/") return std::nullopt;
    path = parent_of(path);
  }
}

// Whether a trash is made as it is found, or only looked for: a plan must
// know where a replaced file would go without writing anything.
enum class Finding { make, look };

// True when `path` could be made by this process: the nearest folder above
// it that exists is a folder it may write in.
bool could_make(std::string path) {
  for (;;) {
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0) {
      return S_ISDIR(info.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
    }
    if (errno != ENOENT || path == "/") return false;
    path = parent_of(path);
  }
}

// Creates `path` and the folders above it that are missing, each private.
bool make_folders(const std::string& path, Finding finding) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (finding == Finding::look) return errno == ENOENT && could_make(path);
  if (path == "/" || !make_folders(parent_of(path), finding)) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// A folder of ours to keep trash in: a real folder (not a link), owned by
// this user, made private when it is new.
bool usable_own_folder(const std::string& path, Finding finding) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return false;
    if (finding == Finding::look) return could_make(path);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (::lstat(path.c_str(), &info) != 0) return false;
  }
  return S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

bool has_parts(const std::string& root, Finding finding) {
  return usable_own_folder(root + "files", finding) && usable_own_folder(root + "info", finding);
}

// The top folder of the file system holding `folder` (a real path).
std::string top_of(const std::string& folder, dev_t device) {
  std::string top = folder;
  while (top != "/") {
    const std::string up = parent_of(top);
    struct stat info;
    if (::stat(up.c_str(), &info) != 0 || info.st_dev != device) break;
    top = up;
  }
  return top;
}

// The trash for a file on `device` in the real folder `folder`: the home
// trash when it shares the device, else $top/.Trash/$uid when the
// administrator made $top/.Trash (a real folder with the sticky bit), else
// $top/.Trash-$uid.
std::optional<TrashFolder> trash_for(const std::string& folder, dev_t device, Finding finding) {
  const std::string home = data_home();
  if (!home.empty() && device_below(home) == device && make_folders(home + "/Trash", finding)) {
    const std::string root = home + "/Trash/";
    if (device_below(root) == device && has_parts(root, finding)) return TrashFolder{root, ""};
  }
  const std::string top = top_of(folder, device);
  const std::string base = top == "/" ? "/" : top + "/";
  const std::string uid = std::to_string(::getuid());
  struct stat shared;
  if (::lstat((base + ".Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX) && usable_own_folder(base + ".Trash/" + uid, finding) &&
      has_parts(base + ".Trash/" + uid + "/", finding)) {
    return TrashFolder{base + ".Trash/" + uid + "/", base};
  }
  if (usable_own_folder(base + ".Trash-" + uid, finding) &&
      has_parts(base + ".Trash-" + uid + "/", finding)) {
    return TrashFolder{base + ".Trash-" + uid + "/", base};
  }
  return std::nullopt;
}

// RFC 3986's unreserved characters and "/", as the desktops' own trash
// implementations leave them.
bool is_plain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("/-_.~").find(static_cast<char>(c)) != std::string_view::npos;
}

// The local time now, as strftime's `format` writes it.
std::string local_time_now(const char* format) {
  const time_t now = ::time(nullptr);
  struct tm local;
  ::localtime_r(&now, &local);
  char text[32];
  ::strftime(text, sizeof text, format, &local);
  return text;
}

// The name the file takes in the trash on the `attempt`th try: its own name,
// then with ".2", ".3" … before the extension; cut so that the record's
// name (".trashinfo" added) still fits, at a character boundary.
std::string trash_name(std::string_view name, int attempt) {
  constexpr std::size_t longest = NAME_MAX - 10 - 12;
  std::string_view stem = name;
  std::string_view extension;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0 && name.size() - dot <= 16) {
    stem = name.substr(0, dot);
    extension = name.substr(dot);
  }
  std::size_t keep = std::min(stem.size(), longest - extension.size());
  while (keep > 0 && keep < stem.size() &&
         (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  std::string result(stem.substr(0, keep));
  if (attempt > 1) {
    result += '.';
    result += std::to_string(attempt);
  }
  result += extension;
  return result;
}

std::error_code write_all(int fd, const std::string& text) {
  for (std::size_t put = 0; put < text.size();) {
    const ssize_t wrote = ::write(fd, text.data() + put, text.size() - put);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return {errno, std::generic_category()};
    }
    put += static_cast<std::size_t>(wrote);
  }
  return {};
}

// Creates the record of `original` under a free name in `trash`, exclusively,
// so no other program can take the same name meanwhile.
std::error_code reserve_record(const TrashFolder& trash, std::string_view name,
                               const std::string& original, int attempt, TrashEntry& entry) {
  const std::string chosen = trash_name(name, attempt);
  entry.file = trash.root + "files/" + chosen;
  entry.info = trash.root + "info/" + chosen + ".trashinfo";
  const int fd = ::open(entry.info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return {errno, std::generic_category()};
  const std::string shown =
      trash.relative_base.empty() ? original : original.substr(trash.relative_base.size());
  std::error_code error =
      write_all(fd, "[Trash Info]\nPath=" + percent_encoded(shown) +
                        "\nDeletionDate=" + local_time_now("%Y-%m-%dT%H:%M:%S") + "\n");
  // On the device before the file goes in: after a power cut a record the
  // volume kept only the name of would leave the file in the trash with no
  // word of where it came from, for the desktop's trash and for undo alike.
  if (!error && ::fdatasync(fd) != 0) error = {errno, std::generic_category()};
  if (::close(fd) != 0 && !error) error = {errno, std::generic_category()};
  if (error) ::unlink(entry.info.c_str());
  return error;
}

std::error_code refused(int error) { return trash_error(error); }

// Renames `from` to `to` unless a file stands at `to`.  A volume that cannot
// rename on that condition (FUSE file systems without rename flags, which
// answer EINVAL) gets a look first: the name under files/ was reserved by
// its record a moment ago, and nothing but a trash writer goes there.
int move_without_replacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
  struct stat there;
  if (::lstat(to.c_str(), &there) == 0) {
    errno = EEXIST;
    return -1;
  }
  if (errno != ENOENT) return -1;
  return ::rename(from.c_str(), to.c_str());
}

}  // namespace

std::string percent_encoded(const std::string& path) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  for (const unsigned char c : path) {
    if (is_plain(c)) {
      text += static_cast<char>(c);
    } else {
      text += '%';
      text += digits[c >> 4];
      text += digits[c & 0xF];
    }
  }
  return text;
}

std::error_code put_in_trash(const std::string& path, TrashWay way, TrashEntry& entry) {
  const std::string name(last_name(path));
  const std::string folder = folder_holding(path);
  char real_folder[PATH_MAX];
  if (name.empty() || ::realpath(folder.c_str(), real_folder) == nullptr) {
    return refused(name.empty() ? EINVAL : errno);
  }
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return refused(errno);
  if (S_ISDIR(info.st_mode)) return refused(EISDIR);
  const std::string base = real_folder;
  const std::string original = (base == "/" ? "" : base) + "/" + name;
  const std::optional<TrashFolder> trash = trash_for(base, info.st_dev, Finding::make);
  if (!trash) return refused(EXDEV);

  if (const std::error_code probed = probe_replace_step(ReplaceStep::reserve_trash_info)) {
    return refused(probed.value());
  }
  for (int attempt = 1; attempt <= 1000; ++attempt) {
    if (const std::error_code error = reserve_record(*trash, name, original, attempt, entry)) {
      if (error == std::errc::file_exists) continue;
      return refused(error.value());
    }
    std::error_code error = probe_replace_step(ReplaceStep::put_in_trash);
    if (!error) {
      // Neither way may take a name another program gave a file meanwhile.
      const int status = way == TrashWay::link ? ::link(path.c_str(), entry.file.c_str())
                                               : move_without_replacing(path, entry.file);
      if (status != 0) error = {errno, std::generic_category()};
    }
    if (!error) return {};
    ::unlink(entry.info.c_str());
    if (error == std::errc::file_exists) continue;
    return refused(error.value());
  }
  return refused(EEXIST);
}

namespace {

// Calls `each` with every record put_in_trash made for a file at `path`
// (absolute, its folder real) at or after `since` (seconds since 1970), in
// the trash put_in_trash would use and under the names it would give: the
// entry, its deletion date as the record says it, and whether its file is
// there.
void for_each_trashed(
    const std::string& path, std::int64_t since,
    const std::function<void(const TrashEntry&, const std::string&, bool)>& each) {
  const std::string name(last_name(path));
  if (name.empty() || name.size() == path.size()) return;
  char real_folder[PATH_MAX];
  if (::realpath(parent_of(path).c_str(), real_folder) == nullptr) return;
  // As put_in_trash records it: the real folder and the name.
  const std::string folder = real_folder;
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0) return;
  const std::optional<TrashFolder> trash = trash_for(folder, info.st_dev, Finding::look);
  if (!trash) return;
  const std::string original = (folder == "/" ? "" : folder) + "/" + name;
  const std::string shown =
      trash->relative_base.empty() ? original : original.substr(trash->relative_base.size());
  const std::string wanted_path = "\nPath=" + percent_encoded(shown) + "\n";
  // Records carry the local time to the second, which sorts as text.
  const time_t since_time = static_cast<time_t>(since);
  struct tm local;
  ::localtime_r(&since_time, &local);
  char earliest[32];
  ::strftime(earliest, sizeof earliest, "%Y-%m-%dT%H:%M:%S", &local);

  // Names are tried in put_in_trash's order; a run of free ones ends it.
  for (int attempt = 1, free_in_a_row = 0; attempt <= 1000 && free_in_a_row < 32; ++attempt) {
    const std::string chosen = trash_name(name, attempt);
    const TrashEntry entry{trash->root + "files/" + chosen,
                           trash->root + "info/" + chosen + ".trashinfo"};
    const int fd = ::open(entry.info.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
      ++free_in_a_row;
      continue;
    }
    free_in_a_row = 0;
    char buffer[8192];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (got <= 0) continue;
    const std::string record(buffer, static_cast<std::size_t>(got));
    const std::size_t date = record.find("\nDeletionDate=");
    if (record.find(wanted_path) == std::string::npos || date == std::string::npos) continue;
    const std::string deleted = record.substr(date + 14, 19);
    if (deleted < earliest) continue;
    struct stat kept;
    each(entry, deleted, ::lstat(entry.file.c_str(), &kept) == 0);
  }
}

}  // namespace

std::optional<TrashEntry> find_trashed(const std::string& path, std::int64_t since) {
  std::optional<TrashEntry> newest;
  std::string newest_date;
  for_each_trashed(path, since,
                   [&](const TrashEntry& entry, const std::string& deleted, bool there) {
                     if (there && (!newest || deleted > newest_date)) {
                       newest = entry;
                       newest_date = deleted;
                     }
                   });
  return newest;
}

void forget_unfinished_trashing(const std::string& path, std::int64_t since) {
  for_each_trashed(path, since, [](const TrashEntry& entry, const std::string&, bool there) {
    if (!there) ::unlink(entry.info.c_str());
  });
}

void take_out_of_trash(const std::string& path, TrashWay way, const TrashEntry& entry) {
  if (way == TrashWay::link) {
    ::unlink(entry.file.c_str());
  } else if (::rename(entry.file.c_str(), path.c_str()) != 0) {
    return;  // the file stays in the trash, with its record
  }
  if (!entry.info.empty()) ::unlink(entry.info.c_str());
}

bool trash_would_take(const std::string& path) {
  // The target's folder may be one a plan would make: its volume is that of
  // the nearest folder above it that exists.
  std::string folder = folder_part(path).empty() ? "." : parent_of(path);
  char real_folder[PATH_MAX];
  while (::realpath(folder.c_str(), real_folder) == nullptr) {
    if (errno != ENOENT || folder == "/" || folder == ".") return false;
    folder = folder.find('/') == std::string::npos ? "." : parent_of(folder);
  }
  struct stat info;
  if (::stat(real_folder, &info) != 0) return false;
  return trash_for(real_folder, info.st_dev, Finding::look).has_value();
}

std::error_code put_aside(const std::string& path, TrashWay way, const SetAsideFolder& aside,
                          TrashEntry& entry) {
  entry.info.clear();
  if (const std::error_code probed = probe_replace_step(ReplaceStep::set_aside)) {
    return set_aside_error(probed);
  }
  const std::string first = set_aside_path(aside.root, aside.name, path);
  // The folders below the root, outermost first; another copy thread may
  // make them at the same time.
  for (std::size_t end = first.find('/', aside.root.size()); end != std::string::npos;
       end = first.find('/', end + 1)) {
    if (::mkdir(first.substr(0, end).c_str(), 0777) != 0 && errno != EEXIST) {
      return set_aside_error({errno, std::generic_category()});
    }
  }
  // As set_aside_path() puts the time in a name: "20260105-093000".
  const std::string stamp = local_time_now("%Y%m%d-%H%M%S");
  constexpr int attempts = 100;
  for (int attempt = 0; attempt <= attempts; ++attempt) {
    entry.file = attempt == 0 ? first
                              : set_aside_path(aside.root, aside.name, path, stamp,
                                               static_cast<unsigned>(attempt));
    // Neither way takes a name that a file already has there.
    const int status = way == TrashWay::link ? ::link(path.c_str(), entry.file.c_str())
                                             : move_without_replacing(path, entry.file);
    if (status == 0) return {};
    if (errno != EEXIST) return set_aside_error({errno, std::generic_category()});
  }
  return set_aside_error({EEXIST, std::generic_category()});
}

}  // namespace tolvane::fsys::posix
