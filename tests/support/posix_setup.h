// POSIX set-ups for the real-fault tests: a small tmpfs mounted for one
// test, and running a piece of a test as an unprivileged user, since root
// reads and writes whatever the permission bits say.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tolvane::testing {

// A tmpfs mounted on an existing folder for the life of the object, with
// `options` such as "size=2m".  Needs root; when the mount fails, mounted()
// is false and reason() says why, for the test to print as it skips.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& folder, const std::string& options);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  // Makes the mounted file system read-only; false (with reason()) on failure.
  bool make_read_only();

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string reason_;
};

// Runs `body` as the user "nobody" in a child process when this process is
// root, directly otherwise, and returns what it returned.  Nothing, with
// `reason` set, when the child could not drop its privileges or died.
std::optional<std::string> run_unprivileged(const std::function<std::string()>& body,
                                            std::string& reason);

// True when this process may read and write whatever the permission bits say.
bool is_root();

}  // namespace tolvane::testing
