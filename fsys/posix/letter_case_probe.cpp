#include "fsys/posix/letter_case_probe.h"

#include <sys/stat.h>
#include <unistd.h>

#include "fsys/posix/descriptor.h"
#include "fsys/posix/temporaries.h"

namespace tolvane::fsys::posix {

bool folder_folds_letter_case(const std::string& folder) {
  std::string probe;
  const Descriptor made = create_temporary(folder, 0600, probe);
  if (!made) return false;
  std::string upper = probe;
  for (std::size_t i = folder.size(); i < upper.size(); ++i) {
    if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
  }
  struct stat info;
  const bool folds = ::lstat(upper.c_str(), &info) == 0;
  ::unlink(probe.c_str());
  return folds;
}

}  // namespace tolvane::fsys::posix
