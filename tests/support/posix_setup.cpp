// tmpfs mounts and privilege drops for the POSIX real-fault tests.
#include "tests/support/posix_setup.h"

#include <grp.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolvane::testing {
namespace {

// The conventional ids of "nobody" / "nogroup" on Debian.
constexpr uid_t nobody_user = 65534;
constexpr gid_t nobody_group = 65534;

std::string strip_separator(std::string folder) {
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

bool is_root() { return ::geteuid() == 0; }

TmpfsMount::TmpfsMount(const std::string& folder, const std::string& options)
    : folder_(strip_separator(folder)) {
  if (!is_root()) {
    reason_ =
        "mounting a tmpfs needs root, and this test runs as uid " + std::to_string(::geteuid());
    return;
  }
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    reason_ =
        "mount -t tmpfs -o " + options + " on " + folder_ + " failed: " + std::strerror(errno);
    return;
  }
  mounted_ = true;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool TmpfsMount::make_read_only() {
  if (!mounted_) return false;
  if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
    reason_ = std::string("remounting read-only failed: ") + std::strerror(errno);
    return false;
  }
  return true;
}

std::optional<std::string> run_unprivileged(const std::function<std::string()>& body,
                                            std::string& reason) {
  if (!is_root()) return body();
  int channel[2];
  if (::pipe(channel) != 0) {
    reason = std::string("pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    reason = std::string("fork: ") + std::strerror(errno);
    return std::nullopt;
  }
  if (child == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody_group) != 0 || ::setuid(nobody_user) != 0) {
      ::_exit(2);
    }
    const std::string result = body();
    for (std::size_t put = 0; put < result.size();) {
      const ssize_t wrote = ::write(channel[1], result.data() + put, result.size() - put);
      if (wrote <= 0) ::_exit(3);
      put += static_cast<std::size_t>(wrote);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    reason = WIFEXITED(status) && WEXITSTATUS(status) == 2
                 ? "could not become the user nobody"
                 : "the unprivileged child failed (status " + std::to_string(status) + ")";
    return std::nullopt;
  }
  return result;
}

}  // namespace tolvane::testing
