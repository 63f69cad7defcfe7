// Sets XDG_DATA_HOME (and XDG_STATE_HOME below it) to a fresh temporary
// folder as the program starts, and removes that folder as it ends.
#include "tests/support/private_trash.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tolvane::testing {
namespace {

class PrivateDataHome {
 public:
  PrivateDataHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-data-XXXXXX").string();
    // Without a folder of its own the program must not run at all: the
    // real trash would take what the tests replace.
    // Nor may it keep its run journals among the user's own.
    if (::mkdtemp(pattern.data()) == nullptr ||
        ::setenv("XDG_DATA_HOME", pattern.c_str(), 1) != 0 ||
        ::setenv("XDG_STATE_HOME", (pattern + "/state").c_str(), 1) != 0) {
      ::_exit(2);
    }
    folder_ = pattern;
    owner_ = ::getpid();
  }
  ~PrivateDataHome() {
    // A forked child that ends normally must not take the folder with it.
    if (::getpid() != owner_) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  PrivateDataHome(const PrivateDataHome&) = delete;
  PrivateDataHome& operator=(const PrivateDataHome&) = delete;

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  pid_t owner_ = 0;
};

const PrivateDataHome data_home;

}  // namespace

std::string home_trash() { return data_home.folder() + "/Trash/"; }

}  // namespace tolvane::testing
