// Temporary files on POSIX: this boot's mark in their names, and the sweep.
#include "fsys/posix/temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "fsys/temporary_names.h"

namespace tolvane::fsys::posix {
namespace {

// A writer of this system: a process id that kill() takes as one process.
bool is_process_id(std::uint32_t writer) {
  return writer <= static_cast<std::uint32_t>(std::numeric_limits<pid_t>::max());
}

}  // namespace

// A process id alone is no mark of a leftover after a restart: the numbers
// start again, and a living process may have the writer's.
const std::string& boot_mark() {
  static const std::string mark = [] {
    std::string id;
    if (FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "re")) {
      char line[64] = {};
      if (std::fgets(line, sizeof line, file) != nullptr) id = line;
      std::fclose(file);
    }
    std::string hex;
    for (const char c : id) {
      if (hex.size() == 8) break;
      if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) hex += c;
    }
    return hex.size() == 8 ? hex : std::string("00000000");
  }();
  return mark;
}

std::string temporary_name(const std::string& folder) {
  static std::atomic<std::uint64_t> counter{0};
  return folder +
         temporary_file_name(static_cast<std::uint32_t>(::getpid()), counter++, boot_mark());
}

Descriptor create_temporary(const std::string& folder, mode_t mode, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = temporary_name(folder);
    Descriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd || errno != EEXIST) return fd;
  }
  return Descriptor();
}

bool is_stale_temporary(const std::string& name, const TemporaryWriter* writer) {
  const std::optional<TemporaryName> parts = parse_temporary_name(name);
  // Names without a boot or clock mark are written on Windows.
  if (!parts || parts->mark == TemporaryName::Mark::none || !is_process_id(parts->writer)) {
    return false;
  }
  if (writer != nullptr && !written_by(*parts, *writer)) return false;
  return is_stale(*parts, static_cast<std::uint32_t>(::getpid()), boot_mark(),
                  [](std::uint32_t process) {
                    return ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
                  });
}

bool remove_stale_temporaries(const std::string& folder, std::vector<struct stat>* removed,
                              const TemporaryWriter* writer) {
  const FolderStream dir(::opendir(folder.c_str()));
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!is_stale_temporary(entry->d_name, writer)) continue;
    found = true;
    struct stat info;
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    if (::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0 && removed != nullptr) {
      removed->push_back(info);
    }
  }
  return found;
}

}  // namespace tolvane::fsys::posix
