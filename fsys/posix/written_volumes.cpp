#include "fsys/posix/written_volumes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane::fsys::posix {

void WrittenVolumes::note(const VolumeWays& ways, const std::string& target) {
  {
    const std::lock_guard lock(mutex_);
    if (devices_.contains(ways.device)) return;
  }
  Descriptor fd(::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat info;
  if (!fd || ::fstat(fd.get(), &info) != 0) return;
  const std::lock_guard lock(mutex_);
  devices_.try_emplace(info.st_dev, std::move(fd));
}

std::error_code WrittenVolumes::flush_all() {
  const std::lock_guard lock(mutex_);
  std::error_code first_error;
  for (auto& [device, folder] : devices_) {
    if (::syncfs(folder.get()) != 0 && !first_error) first_error = last_error();
  }
  devices_.clear();
  return first_error;
}

}  // namespace tolvane::fsys::posix
