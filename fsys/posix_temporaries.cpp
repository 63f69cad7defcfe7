// Temporary names: who wrote them, in which boot, and whether they are stale.
#include "fsys/posix_temporaries.h"

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
#include <memory>
#include <optional>
#include <string_view>

namespace tolvane::fsys::posix {
namespace {

constexpr std::string_view temporary_prefix = ".tolvane-";
constexpr std::string_view temporary_suffix = ".tmp";

// Eight hex digits of the kernel's id of this boot.  A process id alone is
// no mark of a leftover after a restart: the numbers start again, and a
// living process may have the writer's.
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

struct TemporaryParts {
  pid_t writer = 0;
  std::optional<std::string> boot;  // absent in names of older versions
};

std::size_t leading_digits(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  return digits;
}

// The parts of a temporary name: ".tolvane-<pid>-<n>-b<boot>.tmp", or the
// older ".tolvane-<pid>-<n>-<ns>.tmp"; nothing for any other name.
std::optional<TemporaryParts> parts_of(std::string_view name) {
  if (!name.starts_with(temporary_prefix) || !name.ends_with(temporary_suffix)) return std::nullopt;
  name.remove_prefix(temporary_prefix.size());
  name.remove_suffix(temporary_suffix.size());
  const std::size_t pid_digits = leading_digits(name);
  if (pid_digits == 0 || pid_digits > 9) return std::nullopt;
  TemporaryParts parts;
  for (std::size_t i = 0; i < pid_digits; ++i) parts.writer = parts.writer * 10 + (name[i] - '0');
  name.remove_prefix(pid_digits);
  if (parts.writer <= 0 || !name.starts_with('-')) return std::nullopt;
  name.remove_prefix(1);
  const std::size_t counter_digits = leading_digits(name);
  if (counter_digits == 0) return std::nullopt;
  name.remove_prefix(counter_digits);
  if (!name.starts_with('-')) return std::nullopt;
  name.remove_prefix(1);
  if (name.starts_with('b')) {
    name.remove_prefix(1);
    if (name.size() != 8) return std::nullopt;
    for (const char c : name) {
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    }
    parts.boot = std::string(name);
    return parts;
  }
  if (leading_digits(name) != name.size() || name.empty()) return std::nullopt;
  return parts;
}

}  // namespace

std::string temporary_name(const std::string& folder) {
  static std::atomic<std::uint64_t> counter{0};
  std::string path = folder;
  path += temporary_prefix;
  path += std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-b" + boot_mark();
  path += temporary_suffix;
  return path;
}

Descriptor create_temporary(const std::string& folder, mode_t mode, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = temporary_name(folder);
    Descriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd || errno != EEXIST) return fd;
  }
  return Descriptor();
}

bool is_stale_temporary(const std::string& name) {
  const std::optional<TemporaryParts> parts = parts_of(name);
  if (!parts) return false;
  if (parts->boot && *parts->boot != boot_mark()) return true;
  if (parts->writer == ::getpid()) return false;
  return ::kill(parts->writer, 0) != 0 && errno == ESRCH;
}

bool remove_stale_temporaries(const std::string& folder) {
  struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!is_stale_temporary(entry->d_name)) continue;
    found = true;
    struct stat info;
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
  return found;
}

}  // namespace tolvane::fsys::posix
